#include "aprsis/ServerList.h"
#include "aprsis/APRSServerClient.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {
void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QString defaultServer() {
    return QString::fromLatin1(APRSServerClient::kDefaultServer);
}
} // namespace

TEST(ServerListParse, CommentsAndEmptyLinesAreSkippedAndFileOrderIsKept) {
    EXPECT_EQ(ServerList::parse("; my servers\n\nsecond.example:14580\nfirst.example:10152\n"),
              (QStringList{"second.example:14580", "first.example:10152"}));
    // The last line needs no line end; a ';' inside a line is no comment.
    EXPECT_EQ(ServerList::parse("a:1\n\n\n;b:2\nc:3;x"), (QStringList{"a:1", "c:3;x"}));
    EXPECT_TRUE(ServerList::parse("").isEmpty());
    EXPECT_TRUE(ServerList::parse("\n\n;only a comment\n").isEmpty());
}

TEST(ServerListParse, CrLfReadsLikeLfAndCrIsIgnoredAnywhere) {
    const QByteArray lf = ";c\n\na.example:14580\nb.example:23\n";
    QByteArray crlf = lf;
    crlf.replace("\n", "\r\n");
    EXPECT_EQ(ServerList::parse(crlf), ServerList::parse(lf));
    EXPECT_EQ(ServerList::parse(crlf).size(), 2);
    // A lone CR neither ends a line nor stays in it.
    EXPECT_EQ(ServerList::parse("ho\rst:1\r\r\n\r\n"), QStringList{"host:1"});
}

TEST(ServerListParse, ALineLongerThan1000BytesIsCutAndItsRestIsTheNextLine) {
    const QByteArray exact(1000, 'x');
    EXPECT_EQ(ServerList::parse(exact + "\nnext:1\n"), (QStringList{QString(exact), "next:1"}));

    const QByteArray first(1000, 'a');
    const QByteArray second(1000, 'b');
    EXPECT_EQ(ServerList::parse(first + second + "tail:1\n"),
              (QStringList{QString(first), QString(second), "tail:1"}));
    // CR does not count towards the 1000 bytes.
    EXPECT_EQ(ServerList::parse(QByteArray(500, 'c') + QByteArray(300, '\r') + QByteArray(500, 'c')),
              QStringList{QString(QByteArray(1000, 'c'))});
    // The rest of a long comment is still comment.
    EXPECT_EQ(ServerList::parse(";" + QByteArray(2500, 'n') + "\nafter:1"), QStringList{"after:1"});
}

TEST(ServerListParse, ControlCharactersBlanksAndAByteOrderMarkNeverReachAnEntry) {
    EXPECT_EQ(ServerList::parse(QByteArray("\xEF\xBB\xBFho\0st:\t1\x7F\x1B\n", 14)), QStringList{"host:1"});
    // A C1 control decoded from UTF-8 or from a Windows-1252 gap is dropped too.
    EXPECT_EQ(ServerList::parse("a\xC2\x85:1\nb\x81:2\n"), (QStringList{"a:1", "b:2"}));
    // So is an invisible format character: a zero-width space, the byte order mark of a pasted file.
    EXPECT_EQ(ServerList::parse("x\xE2\x80\x8By:1\n\xEF\xBB\xBFz:2"), (QStringList{"xy:1", "z:2"}));
    // Blanks around an entry would spoil the port; a blank line is empty; a blank before ';'
    // still makes a comment.
    EXPECT_EQ(ServerList::parse("  host:14580  \n   \n  ;comment\n"), QStringList{"host:14580"});
    // Text that is not UTF-8 is Windows-1252.
    EXPECT_EQ(ServerList::parse("caf\xE9:1\nna\xC3\xAFve:2"),
              (QStringList{QStringLiteral("café:1"), QStringLiteral("naïve:2")}));
}

TEST(ServerListParse, HostileInputStaysBounded) {
    // Only the first MiB is looked at: a server behind 5 MB of blank lines is never read.
    QByteArray big = "early:1\n" + QByteArray(5 * 1000 * 1000, '\n') + "late:2\n";
    EXPECT_EQ(ServerList::parse(big), QStringList{"early:1"});

    // At most 1000 entries, the first ones in file order.
    QByteArray many;
    for (int i = 0; i < 100000; ++i) many += "s" + QByteArray::number(i) + ".example:14580\n";
    const QStringList entries = ServerList::parse(many);
    ASSERT_EQ(entries.size(), ServerList::kMaxEntries);
    EXPECT_EQ(entries.first(), "s0.example:14580");
    EXPECT_EQ(entries.last(), "s999.example:14580");

    // A megabyte of one unbroken line is cut into bounded pieces, still at most 1000 of them.
    EXPECT_EQ(ServerList::parse(QByteArray(5 * 1000 * 1000, 'z')).size(), ServerList::kMaxEntries);

    QByteArray binary(1 << 20, '\0');
    QRandomGenerator rng(20260115);
    for (char& c : binary) c = static_cast<char>(rng.bounded(256));
    const QStringList noise = ServerList::parse(binary);
    EXPECT_FALSE(noise.isEmpty());
    EXPECT_LE(noise.size(), ServerList::kMaxEntries);
    for (const QString& e : noise) {
        ASSERT_FALSE(e.isEmpty());
        ASSERT_LE(e.size(), ServerList::kMaxLineBytes);
        ASSERT_FALSE(e.startsWith(u';'));
        ASSERT_FALSE(ServerList::hasControlCharacters(e)) << e.toStdString();
    }
}

TEST(ServerListFile, AMissingOrUnreadableFileOffersTheDefaultServerAlone) {
    TempHome t;
    EXPECT_FALSE(ServerList::read(t.home).has_value());
    EXPECT_EQ(ServerList::entries(t.home), QStringList{defaultServer()});
    // A folder in the file's place cannot be read as a file.
    ASSERT_TRUE(QDir().mkpath(ServerList::filePath(t.home)));
    EXPECT_FALSE(ServerList::read(t.home).has_value());
    EXPECT_EQ(ServerList::entries(t.home), QStringList{defaultServer()});
}

TEST(ServerListFile, AReadableFileListsExactlyItsEntriesEvenNone) {
    TempHome t;
    EXPECT_EQ(ServerList::filePath(t.home), t.home.root() + "/aprserve.txt");
    writeFile(ServerList::filePath(t.home), ";c\r\n\r\nx.example:14580\r\ny.example:23\r\n");
    EXPECT_EQ(ServerList::entries(t.home), (QStringList{"x.example:14580", "y.example:23"}));
    writeFile(ServerList::filePath(t.home), "; nothing here yet\n");
    EXPECT_EQ(ServerList::entries(t.home), QStringList{});
}

TEST(ServerListFile, AddAppendsOneCrLfLineAndEndsAnUnfinishedLastLineFirst) {
    TempHome t;
    const QString path = ServerList::filePath(t.home);
    // Created when missing.
    ASSERT_TRUE(ServerList::add(t.home, "first.example:14580"));
    EXPECT_EQ(fileBytes(path), "first.example:14580\r\n");
    ASSERT_TRUE(ServerList::add(t.home, QStringLiteral("sécond.example:23")));
    EXPECT_EQ(fileBytes(path), "first.example:14580\r\ns\xC3\xA9"
                               "cond.example:23\r\n");

    // Without a final line break the new server would join the last line.
    writeFile(path, "; mine\nold.example:14580");
    ASSERT_TRUE(ServerList::add(t.home, "new.example:14580"));
    EXPECT_EQ(fileBytes(path), "; mine\nold.example:14580\r\nnew.example:14580\r\n");
    writeFile(path, "old.example:14580\r");
    ASSERT_TRUE(ServerList::add(t.home, "new.example:14580"));
    EXPECT_EQ(ServerList::entries(t.home), (QStringList{"old.example:14580", "new.example:14580"}));

    // Round trip: what is added is read back as the last entry, as typed.
    writeFile(path, ";c\n\na.example:1\nb.example:2\n");
    ASSERT_TRUE(ServerList::add(t.home, QStringLiteral("über.example:14580")));
    EXPECT_EQ(ServerList::entries(t.home),
              (QStringList{"a.example:1", "b.example:2", QStringLiteral("über.example:14580")}));
}

TEST(ServerListFile, AddRefusesWhatCouldNotBeReadBackAndAnUnwritableFile) {
    TempHome t;
    const QString path = ServerList::filePath(t.home);
    writeFile(path, "a.example:1\n");
    for (const QString& bad :
         {QString(), QStringLiteral("   "), QStringLiteral("a:1\r\nb:2"), QStringLiteral("a:1\nb:2"),
          QString::fromLatin1("a\0:1", 4), QString(QByteArray(1001, 'h'))})
        EXPECT_FALSE(ServerList::add(t.home, bad)) << bad.toStdString();
    EXPECT_EQ(fileBytes(path), "a.example:1\n");

    const StationHome gone(t.home.root() + "/no/such/folder");
    EXPECT_FALSE(ServerList::add(gone, "a.example:1"));
    EXPECT_FALSE(QFile::exists(ServerList::filePath(gone)));
}
