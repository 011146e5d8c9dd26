// SPDX-License-Identifier: MIT
#pragma once

/// Where an opening's time goes, from the trigger's press to the ring's first pixels, printed on
/// standard error when TANDRI_TRACE is set. Main thread.
namespace tandri::x11::OpeningTrace {

/// Starts a new trace at the trigger's press.
void begin();
/// A step of the opening under way, timed from its press; nothing when none is under way.
void mark(const char* step);
/// The last step: prints the trace and ends it.
void end(const char* step);

}  // namespace tandri::x11::OpeningTrace
