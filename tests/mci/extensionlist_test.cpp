#include "extensionlist.h"
#include "testmedia.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QSet>

#include <cstdlib>
#include <map>

using mci::ExtensionList;

TEST(ExtensionList, IniSectionKeepsItsOrderAndIgnoresOtherSections)
{
    const auto list = ExtensionList::fromIni("[fonts]\nfoo=bar\n"
                                             "[MCI Extensions]\n"
                                             "; a comment\n"
                                             " avi = AVIVideo \n"
                                             "mid=Sequencer\r\n"
                                             "wav=WaveAudio\n"
                                             "AVI=other\n"
                                             "[other]\nmp3=waveaudio\n");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->extensions(), (std::vector<std::string>{"avi", "mid", "wav"}));
    EXPECT_EQ(list->deviceTypeForFile("/a/b/clip.AVI"), "avivideo");
    EXPECT_EQ(list->deviceTypeForFile("x.mid"), "sequencer");
    EXPECT_EQ(list->deviceTypeForFile("x.mp3"), "");
    EXPECT_EQ(list->deviceTypeForFile("/dir.avi/noext"), "");
}

TEST(ExtensionList, NoSectionMeansNoList)
{
    EXPECT_FALSE(ExtensionList::fromIni(""));
    EXPECT_FALSE(ExtensionList::fromIni("[fonts]\navi=x\n"));
    const auto empty = ExtensionList::fromIni("[mci extensions]\n");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->entries().empty());
}

TEST(ExtensionList, BuiltInListCoversTheCommonTypes)
{
    const ExtensionList list = ExtensionList::builtIn();
    // Camcorder, broadcast and disc recordings among them.
    for (const char* e : {"avi", "mov", "mp4", "mkv", "webm", "ts", "mpg", "m2ts", "mts", "m2t", "mod", "tod", "dv",
                          "vob", "mxf", "f4v", "divx", "rm", "rmvb", "mk3d", "y4m"})
        EXPECT_EQ(list.deviceTypeForFile(std::string("a.") + e), "digitalvideo") << e;
    for (const char* e : {"wav", "flac", "mp3", "ogg", "opus", "aiff", "mka", "ac3", "eac3", "dts", "ape", "wv",
                          "mpc", "tta", "caf", "amr", "spx", "weba"})
        EXPECT_EQ(list.deviceTypeForFile(std::string("a.") + e), "waveaudio") << e;
    for (const char* e : {"mid", "midi", "rmi", "kar"})
        EXPECT_EQ(list.deviceTypeForFile(std::string("a.") + e), "sequencer") << e;
    EXPECT_EQ(list.extensions().front(), "avi");
}

TEST(ExtensionList, LoadReadsTheUserFileFirstThenTheSystemsThenTheBuiltIn)
{
    const QString root = testmedia::dir() + "/xdg";
    QDir(root).removeRecursively();
    QDir().mkpath(root + "/user/norrava");
    QDir().mkpath(root + "/system/norrava");
    setenv("XDG_CONFIG_HOME", qPrintable(root + "/user"), 1);
    setenv("XDG_CONFIG_DIRS", qPrintable(root + "/none:" + root + "/system"), 1);

    EXPECT_EQ(ExtensionList::load().extensions(), ExtensionList::builtIn().extensions());

    QFile system(root + "/system/norrava/win.ini");
    ASSERT_TRUE(system.open(QIODevice::WriteOnly));
    system.write("[mci extensions]\nwav=waveaudio\n");
    system.close();
    EXPECT_EQ(ExtensionList::load().extensions(), std::vector<std::string>{"wav"});

    QFile user(root + "/user/norrava/win.ini");
    ASSERT_TRUE(user.open(QIODevice::WriteOnly));
    user.write("[mci extensions]\navi=digitalvideo\nmid=sequencer\nwav=waveaudio\n");
    user.close();
    EXPECT_EQ(ExtensionList::load().extensions(), (std::vector<std::string>{"avi", "mid", "wav"}));
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_CONFIG_DIRS");
}

namespace {

// What the desktop entry claims for each built-in extension. The desktop
// database names some types differently from the file extension's meaning
// here (.ts is also a Qt translation, .mod a tracker module) or not at all
// (.y4m): those claim what the file holds, or nothing.
const std::map<std::string, QStringList>& desktopTypes()
{
    static const std::map<std::string, QStringList> types{
        {"avi", {"video/x-msvideo", "video/avi"}},
        {"mov", {"video/quicktime"}},
        {"qt", {"video/quicktime"}},
        {"mpg", {"video/mpeg"}},
        {"mpeg", {"video/mpeg"}},
        {"m1v", {"video/mpeg"}},
        {"m2v", {"video/mpeg"}},
        {"mp4", {"video/mp4"}},
        {"m4v", {"video/mp4", "video/x-m4v"}},
        {"mkv", {"video/x-matroska"}},
        {"webm", {"video/webm"}},
        {"ogv", {"video/ogg"}},
        {"wmv", {"video/x-ms-wmv"}},
        {"asf", {"video/x-ms-asf"}},
        {"flv", {"video/x-flv"}},
        {"3gp", {"video/3gpp"}},
        {"ts", {"video/mp2t"}},
        {"m2ts", {"video/mp2t"}},
        {"mts", {"video/mp2t"}},
        {"m2t", {"video/mp2t"}},
        {"mod", {"video/mpeg"}},
        {"tod", {"video/mpeg"}},
        {"dv", {"video/dv"}},
        {"vob", {"video/mpeg"}},
        {"mxf", {"application/mxf"}},
        {"f4v", {"video/mp4"}},
        {"divx", {"video/x-msvideo"}},
        {"rm", {"application/vnd.rn-realmedia"}},
        {"rmvb", {"application/vnd.rn-realmedia-vbr", "application/vnd.rn-realmedia"}},
        {"mk3d", {"video/x-matroska-3d"}},
        {"y4m", {}},
        {"wav", {"audio/x-wav", "audio/wav"}},
        {"aif", {"audio/x-aiff"}},
        {"aiff", {"audio/x-aiff"}},
        {"aifc", {"audio/x-aifc"}},
        {"au", {"audio/basic"}},
        {"snd", {"audio/basic"}},
        {"flac", {"audio/flac", "audio/x-flac"}},
        {"mp3", {"audio/mpeg"}},
        {"mp2", {"audio/mp2"}},
        {"ogg", {"audio/ogg", "audio/x-vorbis+ogg"}},
        {"oga", {"audio/ogg"}},
        {"opus", {"audio/x-opus+ogg", "audio/ogg"}},
        {"m4a", {"audio/mp4", "audio/x-m4a"}},
        {"aac", {"audio/aac"}},
        {"wma", {"audio/x-ms-wma"}},
        {"mka", {"audio/x-matroska"}},
        {"ac3", {"audio/ac3"}},
        {"eac3", {"audio/eac3"}},
        {"dts", {"audio/vnd.dts"}},
        {"ape", {"audio/x-ape"}},
        {"wv", {"audio/x-wavpack"}},
        {"mpc", {"audio/x-musepack"}},
        {"tta", {"audio/x-tta"}},
        {"caf", {"audio/x-caf"}},
        {"amr", {"audio/AMR"}},
        {"spx", {"audio/x-speex", "audio/x-speex+ogg"}},
        {"weba", {"audio/webm"}},
        {"mid", {"audio/midi", "audio/x-midi"}},
        {"midi", {"audio/midi", "audio/x-midi"}},
        {"rmi", {"audio/midi", "audio/mid"}},
        {"kar", {"audio/midi"}},
    };
    return types;
}

QStringList desktopEntryMimeTypes()
{
    QFile file(QStringLiteral(NORRAVA_SOURCE_DIR "/app/norrava.desktop"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QRegularExpression line("^MimeType=(.*)$", QRegularExpression::MultilineOption);
    return line.match(QString::fromUtf8(file.readAll())).captured(1).split(';', Qt::SkipEmptyParts);
}

} // namespace

TEST(ExtensionList, TheDesktopEntryClaimsTheTypesOfTheBuiltInListAndNoOthers)
{
    const auto& types = desktopTypes();
    QSet<QString> claimed;
    for (const std::string& extension : ExtensionList::builtIn().extensions()) {
        const auto row = types.find(extension);
        ASSERT_NE(row, types.end()) << "." << extension << " is offered but the desktop entry does not know it";
        for (const QString& type : row->second)
            claimed.insert(type);
    }
    for (const auto& [extension, mimeTypes] : types)
        EXPECT_EQ(ExtensionList::builtIn().deviceTypeForFile("a." + extension).empty(), false)
            << "." << extension << " has MIME types but is not offered";

    const QStringList listed = desktopEntryMimeTypes();
    ASSERT_FALSE(listed.isEmpty());
    const QSet<QString> inEntry(listed.begin(), listed.end());
    EXPECT_TRUE((claimed - inEntry).isEmpty()) << "missing from the desktop entry: "
                                               << QStringList((claimed - inEntry).values()).join(' ').toStdString();
    EXPECT_TRUE((inEntry - claimed).isEmpty()) << "claimed by no extension: "
                                               << QStringList((inEntry - claimed).values()).join(' ').toStdString();
    EXPECT_EQ(listed.size(), inEntry.size()) << "a type listed twice";

    // Where the desktop's own database knows a media type for the
    // extension, the entry claims it (under its name or an alias).
    const QMimeDatabase database;
    const QSet<QString> otherMeaning{"ts", "mod"};
    for (const auto& [extension, mimeTypes] : types) {
        const QString ext = QString::fromStdString(extension);
        if (otherMeaning.contains(ext))
            continue;
        const QMimeType known = database.mimeTypeForFile("a." + ext, QMimeDatabase::MatchExtension);
        if (known.isDefault())
            continue;
        const QStringList names = QStringList{known.name()} + known.aliases();
        const bool claims = std::any_of(names.begin(), names.end(), [&](const QString& n) { return mimeTypes.contains(n); });
        EXPECT_TRUE(claims) << "." << extension << " is " << known.name().toStdString() << " to the desktop";
    }
}
