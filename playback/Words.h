#pragma once

class QString;
class QTextEdit;

namespace sarvel {

// Loads a words file into the pane, replacing what it showed: RTF, or plain text when the file
// is not RTF. Raises "Cannot open file <path>" and leaves the pane as it was when the file can't
// be read. The caret goes back to the start of the new words.
void loadWords(QTextEdit& pane, const QString& path);

// Reads and lays out a few words in the pane's font, shown nowhere, so that the first song's
// words do not pay for the reader's and the fonts' first use.
void warmUpWords(const QTextEdit& pane) noexcept;

} // namespace sarvel
