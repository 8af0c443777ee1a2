// Anchors the test-support library; the helpers live in the other files here.
namespace corvanet::testsupport {
int SupportLibraryAnchor() { return 0; }
}  // namespace corvanet::testsupport
