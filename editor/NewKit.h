#pragma once

#include <QString>

namespace sarvel {

class Prompts;
struct SelectionState;

enum class NewKitOutcome {
    Created,    // the file is there and is the current kit
    Declined,   // the file existed and the user chose not to reuse it; nothing written
    NotCreated, // no file after all: "Ошибка пути или имени файла!" was shown
};

// Creates the kit file `typed` (a path; "C:\SARVEL\..." names the data folder) holding [Option]
// File=<the current kit>, and makes it current. An existing file is reused only when the user
// agrees, and then keeps every entry it had. A refused write raises "Unable to write to <path>".
NewKitOutcome createKitFile(const QString& typed, SelectionState& state, Prompts& prompts);

} // namespace sarvel
