// Which announced name identifies an instrument.
#include "tray/session/DeviceNames.h"

#include <gtest/gtest.h>

namespace qz {
namespace {

struct NameCase {
    const char* label;
    QStringList names;
    int index;
    const char* model;
    int serial;
    const char* pager;
    bool found;
};

TEST(DeviceNames, MatchingTable)
{
    const NameCase cases[] = {
        {"second entry chosen", {"abc", "qz5520gn#1234"}, 1, "QZ5520GN", 1234, "", true},
        {"n: before #", {"QZ5520M n: 77"}, 0, "QZ5520M", 77, "", true},
        {"n: wins over #", {"QZ5520M #12 n: 77"}, 0, "QZ5520M", 77, "", true},
        {"last hit of the others", {"qz5520mo#5"}, 0, "5520MO", 5, "", true},
        {"x reads as M", {"QZ5520X#8"}, 0, "QZ5520M", 8, "", true},
        {"first hit of gamma-neutron", {"qz5520gno#9"}, 0, "QZ5520GN", 9, "", true},
        {"gn without # skipped", {"qz5520gn", "qz6610k#3"}, 1, "QZ6610K", 3, "", true},
        {"gn uses # only", {"5520GNO n: 4"}, 1, "", -1, "", false},
        {"malformed serial ends the search",
         {"qz5520gn#12x", "qz6610k#3"},
         0,
         "QZ5520GN",
         -1,
         "",
         false},
        {"blanks around the serial", {"QZ5530A#  42 "}, 0, "5530A", 42, "", true},
        {"pager at once", {"junk", "QZ_PAGER_x", "qz6610k#3"}, 1, "", -1, "QZ_PAGER_x", true},
        {"unknown names", {"abc", "def"}, 2, "", -1, "", false},
        {"empty list", {}, 0, "", -1, "", false},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.label);
        const DeviceNameMatch m = matchDeviceNames(c.names);
        EXPECT_EQ(m.index, c.index);
        EXPECT_EQ(m.model, QLatin1String(c.model));
        EXPECT_EQ(m.serial, c.serial);
        EXPECT_EQ(m.pagerName, QLatin1String(c.pager));
        EXPECT_EQ(m.found(), c.found);
    }
}

} // namespace
} // namespace qz
