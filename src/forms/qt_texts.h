#pragma once

// Qt's own texts (the file dialog's labels, the standard buttons, the
// context menus of text boxes) in Japanese, like the rest of the program,
// whatever the user's locale. Loads Qt's Japanese catalogue from the folder
// Qt keeps its translations in; returns false when it is not installed, and
// those texts then stay English.
bool UseJapaneseQtTexts();
