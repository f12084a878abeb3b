#include "app/core/CatalogueCheck.h"

#include <gtest/gtest.h>

#include <string>

using yeroup::app::ReadsAsCatalogue;

TEST(CatalogueCheck, OneModelWithOneFirmwareMakesACatalogue) {
    struct Case {
        const char* why;
        std::string body;
        bool catalogue;
    };
    const Case cases[] = {
        {"the host's catalogue", "; list\r\n[YERO-T10]\r\nV1.05=2005-09-12 x\r\nV1.02=y\r\n", true},
        {"LF lines, blanks around names", "  [ A ]  \n  1.0 = \n", true},
        {"second model holds the firmware", "[A]\r\n[B]\r\n2.0=z\r\n", true},
        // "固件" in code page 936 with a trail byte that looks like "]".
        {"double-byte model name", "[\xB9\x5D\xBC\xFE]\r\nV1=\r\n", true},
        {"empty body", "", false},
        {"Wi-Fi login page",
         "<!DOCTYPE html>\r\n<html><head><title>Login</title></head>\r\n<body><form action=\"/login\">\r\n"
         "<input name=\"user\" value=\"\"></form></body></html>\r\n",
         false},
        {"error page", "Service Temporarily Unavailable\r\nretry=60\r\n", false},
        {"model without firmware", "[A]\r\n; none yet\r\n", false},
        {"nameless model", "[]\r\n1.0=x\r\n", false},
        {"nameless firmware", "[A]\r\n=x\r\n", false},
        {"line without =", "[A]\r\nV1.05\r\n", false},
        {"commented firmware", "[A]\r\n;1.0=x\r\n", false},
        {"only a later copy of a model holds firmware", "[A]\r\n[a]\r\n1.0=x\r\n", false},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadsAsCatalogue(c.body), c.catalogue) << c.why;
}
