// Keeps the library buildable while a subsystem has no files of its own yet.
namespace declmod { int coreAnchor() { return 0; } }
