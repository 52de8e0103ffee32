// zvd: the drawing library's version stamp.
// The drawing format version it writes is "3.4".
namespace vdcommon {
const char* libraryVersion() { return "0.1"; }
}  // namespace vdcommon
