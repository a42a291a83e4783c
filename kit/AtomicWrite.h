#pragma once

#include <QByteArray>
#include <QString>

namespace sarvel {

// Replaces the contents of `path` all at once: the bytes go to a temporary file in the same
// folder, are flushed to disk and renamed over the old file, so a crash leaves either the old
// file or the new one. Temporary files that interrupted saves of the same file left behind are
// removed first. A symbolic link is followed and kept; an existing file keeps its permissions and
// owner. A folder that refuses new files gets a writable existing file rewritten in place instead:
// a failed write then puts the old bytes back, but a crash during it can leave the file mixed.
// A missing folder, a file without any write permission, or a new file in a folder that refuses
// it raises std::runtime_error("Unable to write to <path>") and leaves everything as it was.
void writeFileAtomically(const QString& path, const QByteArray& contents);

} // namespace sarvel
