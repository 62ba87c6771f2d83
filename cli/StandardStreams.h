#pragma once
// Standard input, output and error as this process found them at start.

// Puts /dev/null in place of a closed standard stream, so that no file opened later takes its
// number and receives what was meant for the stream; remembers which ones were closed.
// Called first thing in main.
void GuardStandardStreams();

// Whether the stream with this descriptor (0, 1 or 2) was closed at start.
bool StandardStreamClosed(int fd);
