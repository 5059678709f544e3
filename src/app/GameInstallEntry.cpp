#include "app/GameInstallEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QStringList>
#include <QTextStream>
#include <cctype>

namespace tambrix::app {

namespace {

// Keys of system.reg are relative to HKEY_LOCAL_MACHINE; a 64-bit prefix keeps the
// keys of 32-bit programs under Wow6432Node.
const char* const kGameKeys[] = {"Software\\Maxis\\The Sims", "Software\\Wow6432Node\\Maxis\\The Sims"};
const char* const kGameValue = "SIMS_DATA";
const int kMaxValueBytes = 2048;  // the game's entry is read into a buffer of this size

/// Undoes the escapes of a quoted text in a Wine registry file: \\ \" \n \t \0 and
/// \xHHHH. Stops at the closing quote; `end` receives the index after it (-1 when the
/// text is not closed).
QString unescapeQuoted(const QString& line, int start, int& end) {
    QString text;
    end = -1;
    for (int i = start; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == '"') {
            end = i + 1;
            return text;
        }
        if (c != '\\' || i + 1 >= line.size()) {
            text += c;
            continue;
        }
        const QChar next = line[++i];
        if (next == 'n')
            text += '\n';
        else if (next == 't')
            text += '\t';
        else if (next == '0')
            text += QChar(0);
        else if (next == 'x') {
            int digits = 0;
            uint code = 0;
            while (digits < 4 && i + 1 < line.size() && isxdigit(line[i + 1].toLatin1())) {
                code = code * 16 + QString(line[++i]).toUInt(nullptr, 16);
                ++digits;
            }
            text += QChar(static_cast<char16_t>(code));
        } else
            text += next;
    }
    return text;
}

/// The key name of a section line "[Software\\Maxis\\The Sims] 1234", unescaped.
std::optional<QString> sectionName(const QString& line) {
    if (!line.startsWith('[')) return std::nullopt;
    const int close = line.indexOf(']');
    if (close < 0) return std::nullopt;
    QString name = line.mid(1, close - 1);
    name.replace("\\\\", "\\");
    return name;
}

}  // namespace

GameEntry ReadWineRegistryEntry(const QString& systemRegPath) {
    GameEntry best;
    QFile file(systemRegPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return best;
    QTextStream in(&file);
    bool inGameKey = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (auto name = sectionName(line)) {
            inGameKey = false;
            for (const char* key : kGameKeys)
                if (name->compare(QLatin1String(key), Qt::CaseInsensitive) == 0) inGameKey = true;
            if (inGameKey && best.state == GameEntryState::KeyMissing) best.state = GameEntryState::ValueMissing;
            continue;
        }
        if (!inGameKey || !line.startsWith('"')) continue;
        int nameEnd = 0;
        const QString valueName = unescapeQuoted(line, 1, nameEnd);
        if (nameEnd < 0 || valueName.compare(QLatin1String(kGameValue), Qt::CaseInsensitive) != 0) continue;
        QString rest = line.mid(nameEnd);
        if (!rest.startsWith('=')) continue;
        rest = rest.mid(1);
        // A plain string is "text"; an expandable one is str(2):"text".
        if (rest.startsWith("str(2):")) rest = rest.mid(7);
        if (!rest.startsWith('"')) continue;  // a binary or numeric value is no folder
        int valueEnd = 0;
        QString value = unescapeQuoted(rest, 1, valueEnd);
        if (valueEnd < 0) continue;
        value.truncate(kMaxValueBytes - 1);
        value.truncate(value.indexOf(QChar(0)) < 0 ? value.size() : value.indexOf(QChar(0)));
        if (best.state != GameEntryState::Found) {
            best.state = GameEntryState::Found;
            best.windowsPath = value;
        }
    }
    return best;
}

QString RemoveTrailingBackslashes(const QString& path) {
    QString result = path;
    while (result.endsWith('\\')) result.chop(1);
    return result;
}

QString WinePrefix() {
    const QString prefix = qEnvironmentVariable("WINEPREFIX");
    if (!prefix.isEmpty()) return prefix;
    return QDir::homePath() + "/.wine";
}

std::optional<QString> MapWindowsPath(const QString& prefix, const QString& windowsPath) {
    const QString path = RemoveTrailingBackslashes(windowsPath);
    if (path.size() < 2 || path[1] != ':' || !path[0].isLetter()) return std::nullopt;
    const QString drive = path.left(1).toLower();
    QString folder = prefix + "/dosdevices/" + drive + ":";
    if (!QFileInfo(folder).isDir()) {
        folder = prefix + "/drive_" + drive;
        if (!QFileInfo(folder).isDir()) return std::nullopt;
    }
    const QStringList parts = path.mid(2).split(QRegularExpression("[\\\\/]"), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const QString exact = folder + "/" + part;
        if (QFileInfo(exact).isDir()) {
            folder = exact;
            continue;
        }
        // Windows names are matched without regard to case.
        const QStringList entries = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
        bool found = false;
        for (const QString& entry : entries) {
            if (entry.compare(part, Qt::CaseInsensitive) == 0) {
                folder += "/" + entry;
                found = true;
                break;
            }
        }
        if (!found) return std::nullopt;
    }
    return folder;
}

GameFolder FindGameFolder() {
    GameFolder result;
#ifdef Q_OS_WIN
    QSettings key(QString("HKEY_LOCAL_MACHINE\\") + kGameKeys[0], QSettings::NativeFormat);
    if (key.childKeys().isEmpty() && key.childGroups().isEmpty()) return result;
    result.state = GameEntryState::ValueMissing;
    const QString value = key.value(kGameValue).toString();
    if (value.isEmpty()) return result;
    result.state = GameEntryState::Found;
    result.folder = RemoveTrailingBackslashes(value.left(kMaxValueBytes - 1));
    return result;
#else
    const QString prefix = WinePrefix();
    const GameEntry entry = ReadWineRegistryEntry(prefix + "/system.reg");
    result.state = entry.state;
    if (entry.state != GameEntryState::Found) return result;
    if (auto folder = MapWindowsPath(prefix, entry.windowsPath)) {
        result.folder = *folder;
    } else {
        result.state = GameEntryState::KeyMissing;
    }
    return result;
#endif
}

}  // namespace tambrix::app
