// Station links that are playlists: told apart from sound and web pages by their
// type or their first bytes, and read into the addresses they list.

#include "platform/stationlink.h"
#include "qtprinters.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {
const QString kBase = QStringLiteral("http://radio.example/lists/station.pls");
}

TEST(Playlists, EachFormatListsItsStationsInOrder)
{
    const struct {
        const char *kind;
        QByteArray text;
    } lists[] = {
        {"pls", "[playlist]\nNumberOfEntries=2\nFile1=http://a.example/one\nTitle1=One\n"
                "File2=http://b.example:8000/two\nLength2=-1\nVersion=2\n"},
        {"m3u", "#EXTM3U\n#EXTINF:-1,One\nhttp://a.example/one\n#EXTINF:-1,Two\nhttp://b.example:8000/two\n"},
        {"m3u", "http://a.example/one\r\nhttp://b.example:8000/two\r\n"},
        {"xspf", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">"
                 "<trackList><track><location>http://a.example/one</location></track>"
                 "<track><location>http://b.example:8000/two</location></track></trackList></playlist>\n"},
        {"asx", "<asx version=\"3.0\">\n<entry><ref href=\"http://a.example/one\"/></entry>\n"
                "<entry><ref href=\"http://b.example:8000/two\"/></entry>\n</asx>\n"},
    };
    for (const auto &list : lists) {
        EXPECT_EQ(parsePlaylist(list.text, kBase, QString::fromLatin1(list.kind)),
                  QStringList({QStringLiteral("http://a.example/one"), QStringLiteral("http://b.example:8000/two")}))
            << list.text.constData();
    }
}

TEST(Playlists, RelativeEntriesFollowTheListAndLocalOnesAreDropped)
{
    const QByteArray text = "[playlist]\nNumberOfEntries=3\nFile1=file:///etc/passwd\nFile2=/dev/zero\n"
                            "File3=stream.mp3\n";
    EXPECT_EQ(parsePlaylist(text, kBase, QStringLiteral("pls")),
              QStringList{QStringLiteral("http://radio.example/lists/stream.mp3")});
}

TEST(Playlists, AHugeListIsCutOffNotReadForever)
{
    QByteArray text = "#EXTM3U\n";
    for (int i = 0; i < 20000; ++i)
        text += "http://127.0.0.1:9/x" + QByteArray::number(i) + ".mp3\n";
    QElapsedTimer clock;
    clock.start();
    const QStringList entries = parsePlaylist(text, kBase, QStringLiteral("m3u"));
    ASSERT_EQ(entries.size(), StationLinks::kMaxPlaylistEntries);
    EXPECT_EQ(entries.first(), QStringLiteral("http://127.0.0.1:9/x0.mp3"));
    EXPECT_EQ(entries.last(), QStringLiteral("http://127.0.0.1:9/x9999.mp3"));
}

TEST(Playlists, TheTypeOrTheFirstBytesTellAListFromSoundAndPages)
{
    const struct {
        QByteArray type;
        QByteArray head;
        const char *kind;
    } rows[] = {
        {"audio/x-scpls", "", "pls"},
        {"audio/x-mpegurl; charset=utf-8", "#EXTM3U\nhttp://a/\n", "m3u"},
        {"application/vnd.apple.mpegurl", "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2,\nseg0.ts\n", "m3u8-hls"},
        {"application/xspf+xml", "", "xspf"},
        {"video/x-ms-asf", "<ASX version=\"3.0\"><entry><ref href=\"http://a/\"/></entry></ASX>", "asx"},
        {"video/x-ms-asf", "\x30\x26\xB2\x75\x8E\x66\xCF\x11", ""}, // Windows Media sound
        {"text/plain", "[playlist]\nFile1=http://a/\n", "pls"},
        {"", "\xEF\xBB\xBF#EXTM3U\nhttp://a/\n", "m3u"},
        {"text/plain", "http://a.example/one\nhttp://b.example/two\n", "m3u"},
        {"text/html; charset=utf-8", "", "html"},
        {"application/octet-stream", "<!DOCTYPE html><html><body>Listen</body></html>", "html"},
        {"audio/mpeg", "\xFF\xFB\x90\x64", ""},
        {"text/plain", "Welcome to our radio", ""},
    };
    for (const auto &row : rows)
        EXPECT_EQ(playlistKind(row.type, row.head), QString::fromLatin1(row.kind)) << row.type.constData();
}
