#pragma once
// The colour names the markup accepts: the CSS named colours and the desktop's system
// colours (read once by whoever builds the table).
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "controls/markup_style.h"

namespace controls {

// Names are matched exactly: the markup's colour names are lower case.
class ColourNames {
  public:
    // Reads the system colours through the platform layer.
    ColourNames();
    std::optional<Colour> Find(std::wstring_view name) const;

  private:
    std::map<std::wstring, Colour, std::less<>> systemColours_;
};

// The system colour indexes the label itself uses.
inline constexpr int kSystemButtonFace = 15;
inline constexpr int kSystemButtonShadow = 16;
inline constexpr int kSystemButtonHighlight = 20;
inline constexpr int kSystemWindowText = 8;

}  // namespace controls
