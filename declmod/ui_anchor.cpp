// Keeps the library buildable while a subsystem has no files of its own yet.
namespace declmod { int uiAnchor() { return 0; } }
