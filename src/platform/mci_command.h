#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// Return codes of the multimedia command interpreter. 0 is success; each
// failure has its own number, taken from the numbering the Windows command
// interpreter uses for the same failure, so a code reads the same to anyone
// who knows those.
namespace MciError {
inline constexpr int None = 0;
inline constexpr int UnrecognizedKeyword = 259;  // a word the command does not take
inline constexpr int UnrecognizedCommand = 261;  // the first word names no command
inline constexpr int InvalidDeviceName = 263;    // no device is open under that name
inline constexpr int CannotLoadDriver = 266;     // the synthesizer could not be created
inline constexpr int MissingCommandString = 267; // blank command
inline constexpr int BadInteger = 270;           // "from" followed by no whole number
inline constexpr int MissingParameter = 273;     // a keyword without its value, status without item
inline constexpr int UnsupportedFunction = 274;  // a valid command this device cannot carry out
inline constexpr int FileNotFound = 275;
inline constexpr int DuplicateAlias = 289; // open on a name that is already open
inline constexpr int MissingDeviceName = 292;
inline constexpr int NoClosingQuote = 294;
inline constexpr int DuplicateFlags = 295;     // the same keyword twice
inline constexpr int InvalidFile = 296;        // not a Standard MIDI File
inline constexpr int DeviceNotInstalled = 306; // no General MIDI SoundFont could be loaded
inline constexpr int NoAudioOutput = 343;      // no audio output could be started
} // namespace MciError

// One command string taken apart:
//   open <element> [alias <name>]     play <name> [from <position>]
//   status <name> <item>              stop <name>        close <name>
// Words are separated by blanks or tabs; a word that starts with a double
// quotation mark runs to the next one and may hold blanks. Command words and
// keywords match in any letter case. Names and elements are kept as given:
// the caller decides how to compare them. The text is Unicode throughout, so
// a file path keeps every character of the folder names it passes through.
struct MciCommand
{
    enum class Verb
    {
        Open,
        Play,
        Status,
        Stop,
        Close,
    };

    Verb verb = Verb::Open;
    /// The device name the command addresses: the alias, or for an open
    /// without alias the element itself.
    QString name;
    /// Open only: the file path, without its quotation marks.
    QString element;
    /// Play only: the position after "from", when given.
    std::optional<qint64> from;
    /// Status only: the item asked for, in lower case ("mode").
    QString statusItem;

    /// Parses one command string into `*out`; returns 0, or an MciError code
    /// (and leaves `*out` unspecified) when the text is no valid command.
    static int parse(QStringView text, MciCommand* out);
};
