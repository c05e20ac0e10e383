// Placeholder translation unit so the library target exists before its first type lands.
namespace {
[[maybe_unused]] constexpr int moduleAnchor = 0;
}
