#!/usr/bin/env bash
# Saving and loading a project list of 50 podcasts with 500 episodes each: the store's INI
# engine beside Python's configparser writing and reading the same sections and keys, in one run.
#   bench/store/projectlist.sh            (VELMORA_BUILD: the build folder, default build-bench)
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${VELMORA_BUILD:-$PWD/build-bench}"
podcasts="${PODCASTS:-50}"; episodes="${EPISODES:-500}"; runs="${RUNS:-5}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "project list: $podcasts podcasts x $episodes episodes, $runs runs"
"$build/bench/store/bench_projectlist" "$work" "$podcasts" "$episodes" "$runs"

/usr/bin/python3 - "$work/py.ini" "$podcasts" "$episodes" "$runs" <<'PY'
import configparser, os, statistics, sys, time
path, podcasts, episodes, runs = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])

def build():
    c = configparser.ConfigParser(interpolation=None)
    c.optionxform = str  # keep the keys' letter case, as the INI engine does
    c["Main"] = {"Total": str(podcasts)}
    for n in range(podcasts):
        c[f"Project_{n}"] = {
            "Name": f"Podcast {n}", "Image": "False",
            "Path": f"/home/user/podcasts/show-{n}/feed.xml",
            "ImagePath": f"/home/user/podcasts/show-{n}/cover.jpg",
            "FTPServer": "ftp.example.org", "FTPUsername": f"user{n}",
            "FTPPassword": f"secret{n}", "FTPMode": "0", "FTPPath": "mainwebsite_html",
            "FTPPath2": "mainwebsite_html", "FTPPath3": "mainwebsite_html",
            "FTPFilename": "feed.xml", "FTPFilename2": "", "UploadFeed": "True",
            "UploadImage": "False", "UploadEnclosure": "True", "AutoDate": "True",
            "TotalEnclosures": str(episodes)}
        for j in range(episodes):
            c[f"Project_{n}_E_{j}"] = {
                "1": f"/home/user/podcasts/show-{n}/episode-{j}.mp3",
                "2": f"https://media.example.org/show-{n}/episode-{j}.mp3",
                "3": f"https://example.org/show-{n}/guid/{j}",
                "4": f"Episode {j}: a title of ordinary length", "5": str(j),
                "6": "True" if j % 3 == 0 else "False", "7": "True"}
    return c

saves, loads = [], []
for _ in range(runs):
    t = time.perf_counter()
    c = build()  # filling the document is part of saving, as it is for the engine
    with open(path + ".tmp", "w") as f:
        c.write(f)
    os.replace(path + ".tmp", path)
    saves.append((time.perf_counter() - t) * 1000)
    t = time.perf_counter()
    r = configparser.ConfigParser(interpolation=None)
    r.optionxform = str
    r.read(path)
    total = int(r["Main"]["Total"])
    count = 0
    for n in range(total):
        s = r[f"Project_{n}"]
        values = [s.get(k, "") for k in ("Name", "Image", "Path", "ImagePath", "FTPServer",
                  "FTPUsername", "FTPPassword", "FTPMode", "FTPPath", "FTPPath2", "FTPPath3",
                  "FTPFilename", "FTPFilename2", "UploadFeed", "UploadImage",
                  "UploadEnclosure", "AutoDate")]
        for j in range(int(s["TotalEnclosures"])):
            e = r[f"Project_{n}_E_{j}"]
            values = [e.get(str(k), "") for k in range(1, 8)]
            count += 1
    assert count == podcasts * episodes
    loads.append((time.perf_counter() - t) * 1000)
print("configparser save best %8.1f ms  median %8.1f ms | load best %8.1f ms  median %8.1f ms | %d bytes"
      % (min(saves), statistics.median(saves), min(loads), statistics.median(loads),
         os.path.getsize(path)))
PY
