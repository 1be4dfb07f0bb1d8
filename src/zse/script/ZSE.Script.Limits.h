#pragma once
// The native stack left to the script engine's recursive walks (the readers of stored programs,
// the grammar matcher, the builder and the evaluation of scripts): deep input fails cleanly with
// an error instead of overflowing the thread's stack, whatever the build's frame sizes.

// True when less than the engine's reserve is left on the calling thread's stack.
bool ZsStackNearlyFull();
