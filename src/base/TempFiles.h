// Temporary files that an interrupt must not leave behind: while registered, SIGINT,
// SIGTERM and SIGHUP remove them before the process ends as the signal would end it.
// The handlers are installed by the programs that want them (the tool); registering
// costs nothing without them.
#pragma once

#include <string>

// Remembers the file for removal on a signal; false when there is no room (at most a
// few files at once) or the name is too long, and the file is then not removed.
bool RegisterTempFile(const std::string& path);
// Forgets it again (it was renamed into place or removed).
void UnregisterTempFile(const std::string& path);
// Installs the handlers for SIGINT, SIGTERM and SIGHUP, leaving a signal that is
// ignored (a background job's SIGINT) ignored.
void RemoveTempFilesOnSignals();
