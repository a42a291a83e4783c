#pragma once

class QString;
class QTextEdit;

namespace sarvel {

// Loads a words file into the pane, replacing what it showed: RTF, or plain text when the file
// is not RTF. Raises "Cannot open file <path>" and leaves the pane as it was when the file can't
// be read. The caret goes back to the start of the new words.
void loadWords(QTextEdit& pane, const QString& path);

} // namespace sarvel
