// The serial transport's measurements, each printing its own figures.
#pragma once

namespace solwire::bench {

// Last byte of a 27-byte reply written into a pty, and sent by an RFC 2217
// server over loopback TCP -> OnPacket on the main thread.
void replyLatency();
// Bytes per second through the dispatcher and TDataPacket on a flooded pty,
// next to a plain read() loop; CPU time per MB for both.
void floodThroughput();
// Dispatch-loop passes and event-thread wake-ups of two idle open ports, and
// of an idle open RFC 2217 port.
void idleWakeups();
// When a 24-tick timer trigger fires after arming, on the real clock.
void timerAccuracy();

}  // namespace solwire::bench
