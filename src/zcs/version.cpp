// zcs: constraint solver library; version stamp.
// Answers the version string that zcs.h declares.
namespace zcs {
const char* Version() { return "0.1"; }
}  // namespace zcs
