#pragma once
// Test helper: a network namespace of the test's own, so that real packet filters can be
// installed without touching the machine's network.

#include <QString>

namespace corvela::test {

// Moves the calling process into a new network namespace that has only the loopback
// interface, and brings it up. Call at the very start of main(), before any thread exists.
// Returns an empty text on success, else why it could not be done (not root, no namespace
// support, or the new namespace is not the fresh one expected).
QString EnterPrivateNetworkNamespace();

} // namespace corvela::test
