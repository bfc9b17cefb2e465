# Starts a real FTPS server (vsftpd) or SFTP server (OpenSSH's sshd) on 127.0.0.1 for tests and
# benchmarks, with everything it needs inside STATE (a fresh folder given by the caller).
#
#   secure_server.py vsftpd STATE [--implicit | --plain] [--max-rate BYTES_PER_SECOND]
#   secure_server.py sshd STATE
#
# Prints one JSON line once the server accepts connections: port, home (the login folder), user,
# password, fingerprint (none with --plain: vsftpd then talks clear text only) (the certificate's SHA-256 as colon-separated hex, or the host key's
# "SHA256:..." form) and the files a client needs (certificate, host key, key pair). Runs until
# its standard input closes, then stops the server.
#
# Both servers log in the local user "podcaster". So that no system file is touched, the server
# runs in a private mount namespace (unshare -m, as root) in which /etc/passwd, /etc/group,
# /etc/shadow and /etc/pam.d are replaced by copies in STATE that know that user.
import ctypes
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import time

USER = "podcaster"
PASSWORD = "secret"
UID = 4242


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def write(path, text, mode=0o644):
    with open(path, "w") as f:
        f.write(text)
    os.chmod(path, mode)


def make_accounts(state, home):
    etc = os.path.join(state, "etc")
    os.makedirs(os.path.join(etc, "pam.d"), exist_ok=True)
    hashed = subprocess.run(["openssl", "passwd", "-6", PASSWORD], check=True,
                            capture_output=True, text=True).stdout.strip()
    for name, line in (("passwd", f"{USER}:x:{UID}:{UID}::{home}:/usr/sbin/nologin"),
                       ("group", f"{USER}:x:{UID}:"),
                       ("shadow", f"{USER}:{hashed}:19000:0:99999:7:::")):
        with open(f"/etc/{name}") as f:
            lines = [l for l in f.read().splitlines() if not l.startswith(USER + ":")]
        write(os.path.join(etc, name), "\n".join(lines + [line]) + "\n",
              0o640 if name == "shadow" else 0o644)
    write(os.path.join(etc, "pam.d", "vsftpd"),
          "auth required pam_unix.so\naccount required pam_unix.so\nsession required pam_permit.so\n")
    return etc


def mounts(etc, extra=""):
    lines = ["set -e"]
    for name in ("passwd", "group", "shadow"):
        lines.append(f"mount --bind '{etc}/{name}' /etc/{name}")
    lines.append(f"mount --bind '{etc}/pam.d' /etc/pam.d")
    if extra:
        lines.append(extra)
    return lines


def vsftpd(state, implicit, max_rate, plain=False):
    home = os.path.join(state, "home")
    empty = os.path.join(state, "empty")
    os.makedirs(home, exist_ok=True)
    os.makedirs(empty, exist_ok=True)
    os.chown(home, UID, UID)
    cert = os.path.join(state, "cert.pem")
    key = os.path.join(state, "key.pem")
    run("openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
        "-nodes", "-keyout", key, "-out", cert, "-days", "2", "-subj", "/CN=localhost",
        "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1")
    fingerprint = subprocess.run(["openssl", "x509", "-in", cert, "-noout", "-fingerprint", "-sha256"],
                                 check=True, capture_output=True, text=True).stdout.strip().split("=", 1)[1]
    etc = make_accounts(state, home)
    port = free_port()
    conf = os.path.join(state, "vsftpd.conf")
    settings = {
        "listen": "YES", "listen_address": "127.0.0.1", "listen_port": port, "background": "NO",
        "anonymous_enable": "NO", "local_enable": "YES", "write_enable": "YES", "local_umask": "022",
        "pam_service_name": "vsftpd", "secure_chroot_dir": empty,
        # Sandboxes that need kernel features a container may lack; not what is tested here.
        "seccomp_sandbox": "NO", "isolate": "NO", "isolate_network": "NO",
        "ssl_enable": "YES", "implicit_ssl": "YES" if implicit else "NO",
        "require_ssl_reuse": "YES", "force_local_logins_ssl": "YES", "force_local_data_ssl": "YES",
        "strict_ssl_read_eof": "YES", "ssl_request_cert": "NO", "ssl_ciphers": "HIGH",
        "rsa_cert_file": cert, "rsa_private_key_file": key,
        "pasv_enable": "YES", "port_enable": "YES", "connect_from_port_20": "NO",
        "use_localtime": "YES", "xferlog_enable": "NO", "syslog_enable": "NO",
    }
    if plain:
        for k in [k for k in settings if k.startswith("ssl_") or "_ssl" in k or k.startswith("rsa_")]:
            del settings[k]
        settings["ssl_enable"] = "NO"
        fingerprint = ""
    if max_rate:
        settings["local_max_rate"] = max_rate
    write(conf, "".join(f"{k}={v}\n" for k, v in settings.items()))
    script = mounts(etc) + [f"exec /usr/sbin/vsftpd '{conf}'"]
    info = {"port": port, "home": home, "user": USER, "password": PASSWORD,
            "fingerprint": fingerprint, "certificate": cert}
    return script, info


def sshd(state):
    home = os.path.join(state, "home")
    os.makedirs(home, exist_ok=True)
    os.chown(home, UID, UID)
    hostkey = os.path.join(state, "hostkey")
    userkey = os.path.join(state, "userkey")
    for k in (hostkey, userkey):
        run("ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-C", "velmora-test", "-f", k)
    authorized = os.path.join(state, "authorized_keys")
    shutil.copy(userkey + ".pub", authorized)
    fingerprint = subprocess.run(["ssh-keygen", "-l", "-E", "sha256", "-f", hostkey + ".pub"], check=True,
                                 capture_output=True, text=True).stdout.split()[1]
    etc = make_accounts(state, home)
    port = free_port()
    conf = os.path.join(state, "sshd_config")
    write(conf, f"""Port {port}
ListenAddress 127.0.0.1
HostKey {hostkey}
PidFile none
UsePAM no
UseDNS no
PasswordAuthentication yes
KbdInteractiveAuthentication no
PubkeyAuthentication yes
AuthorizedKeysFile {authorized}
StrictModes no
PermitRootLogin no
AllowUsers {USER}
MaxAuthTries 20
LogLevel ERROR
Subsystem sftp internal-sftp
ForceCommand internal-sftp
""")
    # sshd wants its privilege-separation folder /run/sshd: a private /run holds it.
    script = mounts(etc, "mount -t tmpfs tmpfs /run\nmkdir -m 755 /run/sshd") + \
        [f"exec /usr/sbin/sshd -D -e -f '{conf}'"]
    info = {"port": port, "home": home, "user": USER, "password": PASSWORD,
            "fingerprint": fingerprint, "hostkey": hostkey + ".pub", "userkey": userkey,
            "authorized_keys": authorized}
    return script, info


def descendants(root):
    # The server's children by pid: sshd's per-connection processes leave its process group.
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as f:
                    parent = int(f.read().rsplit(")", 1)[1].split()[1])
            except (OSError, IndexError, ValueError):
                continue
            children.setdefault(parent, []).append(int(entry))
    found, todo = [], [root]
    while todo:
        for child in children.get(todo.pop(), []):
            found.append(child)
            todo.append(child)
    return found


def stop_with_parent():
    # The server goes when this script goes, even when it is killed.
    libc = ctypes.CDLL("libc.so.6", use_errno=True)
    libc.prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def main():
    kind, state = sys.argv[1], os.path.abspath(sys.argv[2])
    options = sys.argv[3:]
    if os.geteuid() != 0:
        sys.exit("secure_server.py: needs root (the server logs in a local user)")
    os.makedirs(state, exist_ok=True)
    # The server's user must reach its home inside STATE (a temporary folder is owner-only).
    os.chmod(state, 0o755)
    if kind == "vsftpd":
        rate = options[options.index("--max-rate") + 1] if "--max-rate" in options else None
        script, info = vsftpd(state, "--implicit" in options, rate, "--plain" in options)
    else:
        script, info = sshd(state)
    launcher = os.path.join(state, "start.sh")
    write(launcher, "\n".join(script) + "\n", 0o755)
    log = open(os.path.join(state, "server.log"), "w")
    server = subprocess.Popen(["unshare", "--mount", "--propagation", "private", "sh", launcher],
                              stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                              start_new_session=True, preexec_fn=stop_with_parent)
    deadline = time.time() + 20
    while True:
        if server.poll() is not None:
            log.close()
            with open(os.path.join(state, "server.log")) as f:
                sys.exit(f"secure_server.py: {kind} did not start: {f.read().strip()}")
        try:
            socket.create_connection(("127.0.0.1", info["port"]), timeout=0.2).close()
            break
        except OSError:
            if time.time() > deadline:
                server.kill()
                sys.exit(f"secure_server.py: {kind} does not listen on port {info['port']}")
            time.sleep(0.05)
    print(json.dumps(info), flush=True)
    try:
        sys.stdin.read()
    finally:
        # Every connection goes with the server, as when its machine goes away.
        for pid in [server.pid] + descendants(server.pid):
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        try:
            os.killpg(server.pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        server.wait(10)


if __name__ == "__main__":
    main()
