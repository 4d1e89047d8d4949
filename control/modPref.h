#pragma once
// The preference file the content pages include, "content/js/core-pref.js"
// under the install root: sixteen lines var NAME='VALUE' in the code page
// of the writing system, each ended by CR LF, filled from and read into the
// owning control's preference values. The first-run marker
// "content/js/core-pref.ini" beside it tells a first run from a later one.
//
// Values are written so the pages can parse them: "\" and "'" are escaped,
// "</" is written "<\/", CR and LF are dropped, and characters outside the
// code page (and other control characters) are written as "\uXXXX".
// Reading undoes exactly these escapes; any other "\" stays as it is.
//
// A later run whose file is missing, empty or short, or has a line that
// does not parse, takes the first-run default for each such line (a new
// installation identifier for a missing one) and rewrites the file. The
// file is written through a temporary file.

#include <optional>
#include <string>

namespace tiraleaf {

class PopupMenu;

class modPref {
public:
    static constexpr const char* PREF_FILE = "/content/js/core-pref.js";
    static constexpr const char* FIRST_RUN_MARKER = "/content/js/core-pref.ini";
    static constexpr const char* STARTUP_OVERRIDE = "/Lanternbay.startupoverride";
    static constexpr int PREF_COUNT = 16;

    static void SetRootDir(const std::string& rootDir);
    static const std::string& GetRootDir();
    static void SetOwner(PopupMenu* owner);
    static PopupMenu* GetOwner();

    // Writes the owner's sixteen values; failures are thrown.
    static void WritePreferences(const std::string& rootDir);
    // Fills the owner's values from the file, or runs the first run: the
    // defaults, the first-run form, then the file written.
    static void ReadPreferences();

    static bool FileExists(const std::string& path);
    static void DeleteFile(const std::string& path);

    static std::string FormatPrefLine(const std::string& name, const std::string& value);
    // The value of a line (blanks around it ignored); nothing when the line
    // is too short to hold one.
    static std::optional<std::string> ParsePrefLine(const std::string& line, const std::string& name);
    // 32 upper-case hexadecimal digits of a new GUID; "" when none can be made.
    static std::string CreateGUIDString();

    // The name and first-run default of line i (0 to 15); the default of
    // line 0 is made by CreateGUIDString.
    static const char* PrefName(int i);
    static std::string PrefDefault(int i);

    // The value as it stands between the quotes, and back.
    static std::string EscapeValue(const std::string& value);
    static std::string UnescapeValue(const std::string& text);
};

}  // namespace tiraleaf
