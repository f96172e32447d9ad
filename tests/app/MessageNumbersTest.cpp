#include <gtest/gtest.h>

#include <set>

#include "app/MessageNumbers.h"
#include "app/StringTable.h"

namespace marvek {
namespace {

struct TNamedMessage {
    const char* itsName;
    int itsNumber;
    bool itsListed;
};

const TNamedMessage kNamedMessages[] = {
#define MESSAGE(Name, number) {#Name, Name, true},
#define MESSAGE_UNLISTED(Name, number) {#Name, Name, false},
#include "app/MessageNumbers.def"
};

// A named number without a text would show the fallback; one left out on purpose must stay out,
// or its row should say it is listed.
TEST(MessageNumbersTest, EveryNamedNumberIsInTheStringTableAsItsRowSays) {
    std::set<int> seen;
    for (const TNamedMessage& message : kNamedMessages) {
        SCOPED_TRACE(message.itsName);
        EXPECT_EQ(FindString(message.itsNumber) != nullptr, message.itsListed) << message.itsNumber;
        EXPECT_TRUE(seen.insert(message.itsNumber).second) << "named twice: " << message.itsNumber;
    }
}

} // namespace
} // namespace marvek
