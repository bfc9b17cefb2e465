// Saves and loads a project list of PODCASTS podcasts with EPISODES episodes each and prints
// the best and median times of RUNS runs:
//   bench_projectlist DIR [PODCASTS [EPISODES [RUNS]]]
#include "store/ProjectList.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <vector>

namespace {

ProjectList makeList(int podcasts, int episodes)
{
    ProjectList list;
    for (int n = 0; n < podcasts; ++n) {
        list.newProject();
        ProjectEntry& e = list[n];
        e.name = QStringLiteral("Podcast %1").arg(n);
        e.path = QStringLiteral("/home/user/podcasts/show-%1/feed.xml").arg(n);
        e.imagePath = QStringLiteral("/home/user/podcasts/show-%1/cover.jpg").arg(n);
        e.ftpServer = QStringLiteral("ftp.example.org");
        e.ftpUsername = QStringLiteral("user%1").arg(n);
        e.ftpPassword = QStringLiteral("secret%1").arg(n);
        e.uploadFeed = e.uploadEnclosure = true;
        for (int j = 0; j < episodes; ++j) {
            EnclosureState s;
            s.localFile = QStringLiteral("/home/user/podcasts/show-%1/episode-%2.mp3").arg(n).arg(j);
            s.text2 = QStringLiteral("https://media.example.org/show-%1/episode-%2.mp3").arg(n).arg(j);
            s.text3 = QStringLiteral("https://example.org/show-%1/guid/%2").arg(n).arg(j);
            s.text4 = QStringLiteral("Episode %1: a title of ordinary length").arg(j);
            s.text5 = QString::number(j);
            s.selectedForUpload = j % 3 == 0;
            s.isLocal = true;
            e.enclosures.append(s);
        }
    }
    return list;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_projectlist DIR [PODCASTS [EPISODES [RUNS]]]\n");
        return 2;
    }
    const QString path = args[1] + QStringLiteral("/project.ini");
    const int podcasts = args.size() > 2 ? args[2].toInt() : 50;
    const int episodes = args.size() > 3 ? args[3].toInt() : 500;
    const int runs = args.size() > 4 ? args[4].toInt() : 5;

    const ProjectList list = makeList(podcasts, episodes);
    std::vector<double> saves, loads;
    // Processor time of the saves: the rest of their wall time is the flush to disk that makes
    // the replacement of the old file safe.
    const std::clock_t cpuStart = std::clock();
    double loadCpu = 0;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        if (!list.save(path, true)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        saves.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        const std::clock_t loadStart = std::clock();
        ProjectList read;
        read.load(path, true);
        loads.push_back(t.nsecsElapsed() / 1e6);
        loadCpu += double(std::clock() - loadStart);
        if (read.count() != podcasts || read[podcasts - 1].enclosures.count() != episodes
            || read[podcasts - 1].enclosures[episodes - 1].text4 != list[podcasts - 1].enclosures[episodes - 1].text4) {
            std::fprintf(stderr, "the list did not read back\n");
            return 1;
        }
    }
    const double saveCpuMs = (double(std::clock() - cpuStart) - loadCpu) * 1000.0 / CLOCKS_PER_SEC / runs;
    std::printf("velmora      save best %8.1f ms  median %8.1f ms | load best %8.1f ms  median %8.1f ms | %lld bytes\n",
                *std::min_element(saves.begin(), saves.end()), median(saves),
                *std::min_element(loads.begin(), loads.end()), median(loads),
                static_cast<long long>(QFileInfo(path).size()));
    std::printf("velmora      save processor time per run %.1f ms (the rest is the flush to disk)\n",
                saveCpuMs);
    return 0;
}
