// What the start-up watch tells the user, and how "Don't start it" fills the ignore list.
#include <gtest/gtest.h>
#include "launch/WatchRules.h"
#include "launch/WorkOrder.h"

TEST(WatchRules, NewsNoticeTextAndIgnoreList)
{
    const std::set<std::string> announced = {"updater"};
    const struct {
        ParkedEntry entry;
        bool noticesOn;
        ParkNews news;
    } cases[] = {
        {{"Photo Sync", false, false}, true, ParkNews::Announce},
        {{"Photo Sync", false, false}, false, ParkNews::NoticesOff},
        {{"Updater", false, false}, true, ParkNews::AlreadyAnnounced},    // names compare without case
        {{"Photo Sync", true, false}, true, ParkNews::AlreadyParked},
        {{"Photo Sync", true, true}, true, ParkNews::SwitchedOff},
        {{"Photo Sync", false, true}, false, ParkNews::SwitchedOff},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.news, NewsOfParkedEntry(c.entry, announced, c.noticesOn)) << c.entry.name;

    EXPECT_EQ("(Default) added itself to your start-up programs. Quillrest will start it after you log on, in its turn.",
              NewEntriesNoticeText({""}));
    EXPECT_EQ("A and 2 more added themselves to your start-up programs. Quillrest will start them after you log on, "
              "in their turn.",
              NewEntriesNoticeText({"A", "B", "C"}));

    // Whole names only, none twice, and a last name stored without its separator keeps it apart.
    EXPECT_EQ(std::string("Tool\1Net\1NetMeeting\1", 20), AddToNameList(std::string("Tool\1Net", 8), {"NetMeeting", "Tool"}));
    EXPECT_EQ(std::string("A\1\1"), AddToNameList("A\1", {"", "A"}));
}

TEST(WatchRules, PlacesFollowTheRightsAndTheSystem)
{
    auto texts = [](const std::vector<WatchPlace>& places) {
        std::vector<std::string> out;
        for (const WatchPlace& place : places)
            out.push_back(WatchPlaceText(place));
        return out;
    };
    using Texts = std::vector<std::string>;
    EXPECT_EQ((Texts{"HKCU Run", "user Startup folder"}), texts(WatchedPlaces(false, true, false)));
    EXPECT_EQ((Texts{"HKCU Run", "HKLM Run V=64", "HKLM Run V=32", "user Startup folder", "common Startup folder"}),
              texts(WatchedPlaces(true, true, false)));
    EXPECT_EQ((Texts{"HKCU Run", "HKLM Run", "HKLM RunServices", "user Startup folder", "common Startup folder"}),
              texts(WatchedPlaces(true, false, true)));
}
