#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quorvia::query {

// The first entry of every filter list; it means "no filter" and is never a value of the data.
inline constexpr const char* kAll = "All";

// The main window's selection as plain values, read from the controls when a run starts.
struct Selection {
  std::string Combo1;                      // country entry
  std::string Combo2;                      // NUTS region
  std::string Combo3;                      // elevation breakdown class
  std::string Combo4;                      // watershed code
  std::string Combo5;                      // distance to shoreline class
  std::string Combo6;                      // dominant land cover type
  std::optional<int> nutsLevelIndex;       // selected Option2 button (0..2), if any
  std::optional<int> elevationLevelIndex;  // selected Option1 button (0..1), if any
  bool option3FirstSelected = true;        // Option3(0): change1
  // The boxes ("Combo3"...) whose list could not be read: what they show is no choice of the user's.
  std::vector<std::string> unloadedBoxes;
};

// The texts handed to the report's cover page.
struct SelectionTexts {
  std::string SelCountry;
  std::string SelNuts;
  std::string SelElevation;
  std::string SelLandCover;
  std::string SelWatershed;
  std::string SelShoreline;
};

// The displayed combo texts as the selection texts: Combo1, Combo2, Combo3, Combo6, Combo4, Combo5.
SelectionTexts TextsOf(const Selection& selection);

// The first `count` characters of a UTF-8 text (whole characters, never half of one).
std::string FirstCharacters(const std::string& text, int count);

}  // namespace quorvia::query
