#pragma once
// The CSS subset: a sheet of rules by selector, and the declarations that change a style.
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "controls/markup_text.h"
#include "controls/markup_values.h"

namespace controls {

// What applying a value needs besides the value: colour names, the current font's
// measures, and whether colours are replaced by the disabled colour.
struct StyleContext {
    const ColourNames* names = nullptr;
    LengthContext lengths;
    bool disabled = false;
    Colour disabledColour = 0;

    // nullopt keeps the old colour; a disabled renderer shows every given colour greyed.
    std::optional<Colour> ReadColour(std::wstring_view value) const;
};

class StyleSheet {
  public:
    StyleSheet();  // the default sheet

    // Loads rules of the form "selector {declarations}"; an empty text loads the default.
    void Load(std::wstring_view text);
    // A rule whose selector exists replaces the old declarations.
    void Add(std::wstring_view selector, std::wstring_view declarations);
    // nullptr when there is no such rule; the selector is lower-cased first.
    const std::wstring* Find(std::wstring_view selector) const;

    static std::wstring_view DefaultText();

  private:
    std::map<std::wstring, std::wstring, std::less<>> rules_;
};

std::wstring ToLower(std::wstring_view text);

// The words of text-align, vertical-align and border-style (an empty value is the
// default); nullopt for any other word, which leaves the old value.
std::optional<HorizontalAlign> ReadTextAlign(std::wstring_view value);
std::optional<VerticalAlign> ReadVerticalAlign(std::wstring_view value);
std::optional<BorderStyle> ReadBorderStyle(std::wstring_view value);

// Applies a declaration text ("color:red; font-size:10pt") to a style.
void ApplyDeclarations(MarkupStyle& style, std::wstring_view declarations,
                       const StyleContext& context);

// Applies the attributes of a font tag, in the order written.
void ApplyFontAttributes(MarkupStyle& style, const std::vector<MarkupAttribute>& attributes,
                         const StyleContext& context);

}  // namespace controls
