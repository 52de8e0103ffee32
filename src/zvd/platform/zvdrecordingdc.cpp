// zvd: the recording device — draws nothing, keeps GDI state and logs every call as a line of text.
// Handle names are given per log, so a log reads the same whatever ran in the process before.
#include "platform/zvdrecordingdc.h"

#include "platform/zvdgdiobjects.h"

#include <algorithm>
#include <set>
#include <unordered_map>

using namespace zvdgdi;

namespace {

class RecordingDevice;

std::vector<RecordingDevice*>& recorders() {
    static auto* list = new std::vector<RecordingDevice*>;
    return *list;
}

class RecordingDevice final : public ZVDDeviceContext {
public:
    RecordingDevice() : ZVDDeviceContext(dkRecording, QSize()) {
        Access::state(this).log = &log;
        recorders().push_back(this);
    }
    ~RecordingDevice() override {
        auto& list = recorders();
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }

    std::vector<std::string> log;
    std::unordered_map<std::uintptr_t, int> names;
    int nextName = 1;
    std::set<std::string> failures;

private:
    void paintLine(const POINT&, const POINT&) override {}
    void paintPolyline(const POINT*, int) override {}
    void paintPolygon(const POINT*, int) override {}
    void paintRectangle(const RECT&) override {}
    void paintEllipse(const RECT&) override {}
    void paintStroke(const QPainterPath&) override {}
    void paintFillRect(const RECT&, const BrushDesc&) override {}
    COLORREF paintPixel(int, int, COLORREF color) override { return color & 0xFFFFFF; }
    bool paintText(int, int, const QString&) override { return true; }
    bool measureText(const QString& text, SIZE* size) override {
        const LONG h = state().fontDesc.lf.lfHeight;
        const LONG cell = h == 0 ? 16 : (h < 0 ? -h : h);
        size->cx = LONG(text.toUcs4().size()) * (cell / 2);
        size->cy = cell;
        return true;
    }
};

RecordingDevice* asRecorder(HDC hdc) {
    if (!isLive(hdc) || hdc->kind() != ZVDDeviceContext::dkRecording) return nullptr;
    return static_cast<RecordingDevice*>(hdc);
}

}  // namespace

ZVDDeviceContext* zvdgdi::newRecordingDevice() { return new RecordingDevice; }

std::string zvdgdi::handleName(ZVDDeviceContext* dc, HGDIOBJ h) {
    if (!h) return "null";
    ObjectTable::Slot* slot = ObjectTable::instance().find(h);
    if (slot && slot->stockIndex >= 0) return stockName(slot->stockIndex);
    RecordingDevice* rec = asRecorder(dc);
    if (!rec) return slot ? "handle" : "invalid";
    const std::uintptr_t key = reinterpret_cast<std::uintptr_t>(h);
    auto it = rec->names.find(key);
    if (it == rec->names.end()) {
        if (!slot) return "invalid";
        it = rec->names.emplace(key, rec->nextName++).first;
    }
    return "h" + std::to_string(it->second);
}

bool zvdgdi::recordingActive() { return !recorders().empty(); }

void zvdgdi::logToAll(const std::function<std::string(ZVDDeviceContext*)>& make) {
    for (RecordingDevice* rec : recorders()) rec->log.push_back(make(rec));
}

bool zvdgdi::recordedFailure(ZVDDeviceContext* dc, const char* callName) {
    RecordingDevice* rec = asRecorder(dc);
    return rec && !rec->failures.empty() && rec->failures.count(callName) > 0;
}

QStringList recordedCalls(HDC hdc) {
    QStringList lines;
    if (RecordingDevice* rec = asRecorder(hdc)) {
        lines.reserve(int(rec->log.size()));
        for (const std::string& line : rec->log) lines << QString::fromStdString(line);
    }
    return lines;
}

void clearRecordedCalls(HDC hdc) {
    if (RecordingDevice* rec = asRecorder(hdc)) rec->log.clear();
}

void setRecordedFailure(HDC hdc, const QString& callName, bool fail) {
    if (RecordingDevice* rec = asRecorder(hdc)) {
        if (fail)
            rec->failures.insert(callName.toStdString());
        else
            rec->failures.erase(callName.toStdString());
    }
}
