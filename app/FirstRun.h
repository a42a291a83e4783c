#pragma once

namespace sarvel {

// Makes the program's built-in files available under ":/data/" (what goes into ~/SARVEL) and
// ":/ui/" (button pictures, window icon, built-in splash picture). They are compiled into a static
// library, so they must be registered explicitly before the first use; repeated calls are harmless.
void registerAssets();

// Prepares the data folder ~/SARVEL at start:
// - creates it and its folders TEMES, TEXTS, SONGS and ICONS;
// - installs each of NoIcoS.bmp, NoIcoT.bmp, NoRtf.rtf and Zastavka.jpg that is missing;
// - when TEMES/First.vkt does not exist, installs the demo kit: its songs, words and icons go into
//   SONGS, TEXTS and ICONS, then First.vkt (UTF-8) is written naming them by absolute paths.
// Nothing that exists is ever overwritten. A demo file whose name is taken by the same content is
// used as it is (an earlier install); one taken by a different file stays the user's, and the demo
// copy goes in beside it as "Name (2).ext". First.vkt is written last, so an install cut short is
// completed at the next start.
// Raises std::runtime_error("Unable to create folder <path>" or "Unable to write to <path>") when
// the home folder refuses; what was installed before stays.
void installDataFolder();

} // namespace sarvel
