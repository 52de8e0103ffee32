// zvd fuzzing: libFuzzer harness for the drawing loader fed with XML documents.
// A loaded drawing is saved as XML (the format's only writer is the file one), loaded again and
// saved again: the two documents must hold the same drawing, and its binary stream be stable.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

#include "fuzz_common.h"

namespace {

// One scratch folder per process, in memory when the system offers it; removed at exit.
std::string g_dir;

void removeScratch() {
    std::remove((g_dir + "/a.xml").c_str());
    std::remove((g_dir + "/b.xml").c_str());
    rmdir(g_dir.c_str());
}

const std::string& scratchDir() {
    if (g_dir.empty()) {
        std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm/zvdfuzz.XXXXXX" : "/tmp/zvdfuzz.XXXXXX";
        zvdfuzz::require(mkdtemp(&pattern[0]) != nullptr, "no scratch folder for the XML files");
        g_dir = pattern;
        std::atexit(removeScratch);
    }
    return g_dir;
}

std::string fileBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::wstring wide(const std::string& path) { return std::wstring(path.begin(), path.end()); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    ZVectorDrawing d;
    if (!zvdfuzz::load(d, bytes)) {
        zvdfuzz::requireEmpty(d);
        return 0;
    }
    const std::string a = scratchDir() + "/a.xml", b = scratchDir() + "/b.xml";
    zvdfuzz::require(d.saveToFile(wide(a), vdsfXML, false), "saving XML failed");
    ZVectorDrawing again;
    EnVDSaveFormat found = vdsfBinary;
    zvdfuzz::require(again.loadFromFile(wide(a), &found), "a saved XML document did not load again");
    zvdfuzz::require(found == vdsfXML, "a saved XML document was not recognised as XML");
    zvdfuzz::require(again.saveToFile(wide(b), vdsfXML, false), "saving XML failed");
    if (fileBytes(a) != fileBytes(b)) {
        // Only arcs may move, by rounding (see exactArcs); everything else must be unchanged.
        ZVectorDrawing third;
        zvdfuzz::require(third.loadFromFile(wide(b)), "a saved XML document did not load again");
        zvdfuzz::require(!zvdfuzz::exactArcs() && zvdfuzz::sameDrawing(again, third),
                         "XML save -> load -> save changed the drawing");
    }
    zvdfuzz::requireStableBinary(again);
    return 0;
}
