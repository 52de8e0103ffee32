// zvd tool check: `zvd info` on a 200,000-item XML drawing must peak below ten times the file's
// size above what it needs for a one-item drawing. Usage: zvd_memory_check PATH_TO_ZVD [ITEMS]
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <QString>

#include "run_tool.h"
#include "zgp/arc2d.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdarc.h"
#include "zvd/entities/zvdcircle.h"
#include "zvd/entities/zvdline.h"

namespace {

using P = zgp::CVec2<double>;

void fill(ZVectorDrawing& drawing, int items) {
    for (int i = 0; i < items; ++i) {
        const P at(10.0 * (i % 500), 10.0 * (i / 500));
        ZVDEntity* item = nullptr;
        switch (i % 3) {
        case 0: {
            auto* line = new ZVDLine();
            line->set(at, at + P(7.5, 3.25));
            item = line;
            break;
        }
        case 1: {
            auto* arc = new ZVDArc();
            arc->set(at, at + P(6, 0), zgp::CArc2d::CCW_SMALL, 4);
            item = arc;
            break;
        }
        default: {
            auto* circle = new ZVDCircle();
            circle->setCenterPt(at + P(5, 5));
            circle->setRadius(2.5);
            item = circle;
            break;
        }
        }
        item->setColor(i & 0xFFFFFF);
        drawing.add(item);
    }
}

// Builds and saves the drawing in a child process. A spawned child's peak resident size starts
// from its parent's until it execs, so this process must stay small while it measures.
bool save(int items, const std::string& path) {
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        ZVectorDrawing drawing;
        fill(drawing, items);
        _exit(drawing.saveToFile(QString::fromStdString(path).toStdWString(), vdsfXML, false) ? 0 : 1);
    }
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: zvd_memory_check PATH_TO_ZVD [ITEMS]\n");
        return 2;
    }
    const std::string tool = argv[1];
    const int items = argc > 2 ? std::atoi(argv[2]) : 200000;
    char dirTemplate[] = "/tmp/zvd-memory.XXXXXX";
    if (!mkdtemp(dirTemplate)) return 2;
    const std::string dir = dirTemplate;
    const std::string tiny = dir + "/tiny.xml";
    const std::string big = dir + "/big.xml";

    int status = 1;
    struct stat info;
    if (save(1, tiny) && save(items, big) && ::stat(big.c_str(), &info) == 0) {
        const tooltest::RunResult base = tooltest::run({tool, "info", tiny});
        const tooltest::RunResult load = tooltest::run({tool, "info", big});
        const double fileMiB = info.st_size / 1048576.0;
        const double growthMiB = (load.maxRssKiB - base.maxRssKiB) / 1024.0;
        std::printf("file %.1f MiB (%d items); zvd info peak %.1f MiB, one-item baseline %.1f MiB\n", fileMiB, items,
                    load.maxRssKiB / 1024.0, base.maxRssKiB / 1024.0);
        std::printf("growth %.1f MiB = %.2f x the file (limit 10 x)\n", growthMiB, growthMiB / fileMiB);
        if (base.status != 0 || load.status != 0) {
            std::printf("zvd info failed: %s%s\n", base.err.c_str(), load.err.c_str());
        } else if (load.out.find("circle") == std::string::npos) {
            std::printf("unexpected report:\n%s\n", load.out.c_str());
        } else {
            status = growthMiB < 10.0 * fileMiB ? 0 : 1;
        }
    } else {
        std::printf("could not write the test drawings in %s\n", dir.c_str());
    }
    unlink(tiny.c_str());
    unlink(big.c_str());
    rmdir(dir.c_str());
    return status;
}
