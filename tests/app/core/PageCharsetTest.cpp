#include "app/core/PageCharset.h"

#include <gtest/gtest.h>

#include "app/core/Limits.h"

using yeroup::app::PageCharset;
namespace limits = yeroup::app::limits;

TEST(PageCharset, ByteOrderMarkThenHeaderThenMetaElseNothing) {
    struct Case {
        const char* why;
        std::string page;
        std::string contentType;
        std::string expected;
    };
    const std::string gbkMeta = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">";
    const Case cases[] = {
        {"old vendor page", "<html><body>\xB9\xCC\xBC\xFE</body></html>", "", ""},
        {"served without charset", "<html><body>x</body></html>", "application/octet-stream", ""},
        {"http-equiv", gbkMeta, "", "GB18030"},
        {"meta charset, quoted", "<HTML><META Charset='UTF-8'>", "", "utf-8"},
        {"meta charset, bare", "<meta charset=big5>", "", "big5"},
        {"gb2312 reads as its superset", "<meta charset=\"gb2312\">", "", "GB18030"},
        {"charset outside a meta tag", "<title>charset=gbk</title>", "", ""},
        {"meta without a charset", "<meta name=\"charset\" content=\"x\">", "", ""},
        {"header before meta", gbkMeta, "text/html; charset=utf-8", "utf-8"},
        {"header without meta", "<p>x</p>", "text/html;charset=\"GB2312\"", "GB18030"},
        {"UTF-8 mark before all", "\xEF\xBB\xBF" + gbkMeta, "text/html; charset=gbk", "UTF-8"},
        {"UTF-16 little-endian mark", "\xFF\xFE<", "", "UTF-16LE"},
        {"UTF-16 big-endian mark", "\xFE\xFF", "", "UTF-16BE"},
    };
    for (const Case& c : cases) EXPECT_EQ(PageCharset(c.page, c.contentType), c.expected) << c.why;
}

TEST(PageCharset, DeclarationMustEndWithinTheSniffedBytes) {
    const std::string tag = "<meta charset=\"gbk\">";
    const std::string fits = std::string(limits::kCharsetSniffBytes - tag.size(), ' ') + tag;
    EXPECT_EQ(PageCharset(fits), "GB18030");
    EXPECT_EQ(PageCharset(" " + fits), "");
    // A label cut by the end of the sniffed bytes is no label.
    const std::string cut = std::string(limits::kCharsetSniffBytes - 17, ' ') + "<meta charset=gb2312>";
    EXPECT_EQ(PageCharset(cut), "");
}
