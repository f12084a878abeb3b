// The piece list and the mirror list: what the publisher writes reads back, and every malformed form is refused.
#include <gtest/gtest.h>

#include <vector>

#include "app/core/Limits.h"
#include "app/download/MirrorHosts.h"
#include "app/download/MirrorList.h"
#include "app/download/PieceList.h"
#include "app/download/UpdateClient.h"
#include "tests/app/support/MinisignTool.h"
#include "tests/http/support/RealServers.h"
#include "tests/support/ScratchFolder.h"

namespace yeroup::app {
namespace {

TEST(PieceList, WrittenListsReadBackAndMatchSha256sum) {
    test::ScratchFolder folder;
    const std::string file = folder / "p.zip";
    std::string bytes(std::size_t{3 * 65536 + 5}, 'x');
    bytes[70000] = 'y';
    test::WriteFile(file, bytes);
    const TPieceList list = MakePieceList(file, 65536);
    ASSERT_EQ(list.PieceCount(), 4);
    EXPECT_EQ(list.PieceLength(3), 5);
    EXPECT_EQ(trust::HexText(trust::Sha256Of("abc")),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const TPieceList back = ReadPieceList(PieceListText(list));
    EXPECT_EQ(back.Size, list.Size);
    EXPECT_EQ(back.PieceSize, 65536);
    EXPECT_EQ(back.Hashes, list.Hashes);
}

TEST(PieceList, MalformedListsAreRefused) {
    const std::string hash(64, 'a');
    const std::string head = "yeroup-pieces 1\nsize 70000\npiece-size 65536\n";
    for (const std::string& text : std::vector<std::string>{
             std::string("yeroup-pieces 2\nsize 1\npiece-size 65536\n") + hash + "\n",  // another version
             head + hash + "\n",                                                        // a piece short
             head + hash + "\n" + hash + "\n" + hash + "\n",                            // a piece over
             head + hash + "\n" + hash,                                                 // no last LF
             head + hash + "\n" + hash.substr(1) + "g\n",                               // not hexadecimal
             "yeroup-pieces 1\nsize +70000\npiece-size 65536\n" + hash + "\n" + hash + "\n",
             "yeroup-pieces 1\nsize 0\npiece-size 65536\n",
             "yeroup-pieces 1\nsize 70000\npiece-size 65537\n" + hash + "\n" + hash + "\n",
             "yeroup-pieces 1\nsize 70000\npiece-size 4096\n" + hash + "\n",
             "yeroup-pieces 1\nsize 17179869185\npiece-size 1048576\n",  // past the package limit
             "yeroup-pieces 1\nsize 99999999999999999999\npiece-size 1048576\n",
             "yeroup-pieces 1\r\nsize 1\r\npiece-size 65536\r\n" + hash + "\r\n",
         })
        EXPECT_THROW(ReadPieceList(text), EPieceListError) << text.substr(0, 60);
    EXPECT_THROW(ReadPieceList(std::string(limits::kMaxPieceListBytes + 1, '\n')), EPieceListError);
}

TEST(MirrorList, HostsReadInOrderAndFaultsNamed) {
    const std::vector<std::string> hosts = {"127.0.0.1:8080", "http://[::1]:81", "https://mirror.example/"};
    EXPECT_EQ(ReadMirrorList("# vendor mirrors\n\n" + MirrorListText(hosts) + "\r\n"), hosts);
    for (const char* bad : {"http://m.example/sub", "ftp://m.example", "http://u:p@m.example", "m.example?x",
                            "m .example", "http://", ":80", "m.example\\x"}) {
        EXPECT_NE(MirrorHostFault(bad), "") << bad;
        EXPECT_THROW(ReadMirrorList(std::string("127.0.0.1\n") + bad + "\n"), EMirrorListError) << bad;
    }
    std::string many;
    for (std::size_t i = 0; i <= limits::kMaxMirrors; ++i) many += "127.0.0." + std::to_string(i + 1) + "\n";
    EXPECT_THROW(ReadMirrorList(many), EMirrorListError);
}

TEST(MirrorHosts, OnlyAListThatVerifiesUnexpiredIsTakenAndUsed) {
    test::MinisignTool tool, stranger;
    const trust::TTrustedKeys keys = trust::TTrustedKeys::FromFile(tool.PublicKeyFile().string(), true);
    const std::int64_t now = 2000000000;
    const std::string list = MirrorListText({"127.0.0.1:8081", "https://m.example"});
    const auto signedAs = [&list](const test::MinisignTool& by, const std::string& name, std::int64_t expires) {
        return by.Sign(name, list, "timestamp:1900000000\tfile:" + name + "\texpires:" + std::to_string(expires));
    };
    struct Case {
        const char* what;
        std::string signature;  // empty: no list on the host
        bool taken;
    };
    const Case cases[] = {
        {"signed, unexpired", signedAs(tool, "mirrors.txt", now + 1), true},
        {"signed by a stranger", signedAs(stranger, "mirrors.txt", now + 1), false},
        {"signed as another file", signedAs(tool, "YEROMP3LiveUpdate.ini", now + 1), false},
        {"expired", signedAs(tool, "mirrors.txt", now), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::ScratchFolder folder;
        test::NginxServer host;
        host.WriteFile("YEROMP3LiveUpdate/mirrors.txt", list);
        host.WriteFile("YEROMP3LiveUpdate/mirrors.txt.minisig", c.signature);
        const TAppFiles files(folder.Path().string(), "127.0.0.1:" + std::to_string(host.Port()));
        const TTrace trace(folder / "trace.log");
        auto client = MakeFetchClient();
        TakeMirrorList(*client, files, keys, now, trace);
        const std::vector<std::string> mirrors = KeptMirrors(files, keys, now, trace);
        EXPECT_EQ(mirrors.size(), c.taken ? 2u : 0u);
        EXPECT_EQ(test::ReadFile(trace.File()).find("the mirror list is ignored") == std::string::npos, c.taken)
            << test::ReadFile(trace.File());
        // Without a key no mirror is used, whatever is kept.
        EXPECT_TRUE(KeptMirrors(files, trust::TTrustedKeys(), now, trace).empty());
        if (!c.taken) continue;
        EXPECT_EQ(PackageUrls(files, mirrors, "M", "F"),
                  (std::vector<std::string>{files.PackageUrl("M", "F"), TAppFiles("", mirrors[0]).PackageUrl("M", "F"),
                                            "https://m.example" + TAppFiles::PackagePath("M", "F")}));
        // Past its expiry the kept copy is no longer used either.
        EXPECT_TRUE(KeptMirrors(files, keys, now + 2, trace).empty());
    }
}

}  // namespace
}  // namespace yeroup::app
