// zcs: constraint solver library; version stamp.
// The solver itself lands with its own change; this keeps the target buildable meanwhile.
namespace zcs {
const char* Version() { return "0.1"; }
}  // namespace zcs
