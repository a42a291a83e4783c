#pragma once

#include <QByteArray>
#include <QString>

namespace sarvel {

// Replaces the contents of `path` all at once: the bytes go to a temporary file in the same
// folder, are flushed to disk and renamed over the old file, so a crash leaves either the old
// file or the new one. A symbolic link is followed and kept; an existing file keeps its
// permissions and owner. A missing folder, or a file or folder without any write permission,
// raises std::runtime_error("Unable to write to <path>") and leaves everything as it was.
void writeFileAtomically(const QString& path, const QByteArray& contents);

} // namespace sarvel
