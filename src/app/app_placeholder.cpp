// Keeps the widget library non-empty until the windows land.
namespace {
[[maybe_unused]] int velkorGuiPlaceholder = 0;
}
