// Keeps the library non-empty until the windows arrive.
namespace marvek::gui {
int GuiPlaceholder() { return 0; }
} // namespace marvek::gui
