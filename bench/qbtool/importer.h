#pragma once

#include <QString>

#include <optional>
#include <stdexcept>

namespace qbtool {

// A source that cannot become a base; the text names the line at fault.
class ImportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ImportOptions {
    std::optional<QString> password;
};

// Builds a new base at `path` from a readable source: JSON objects, one a line; blank lines and
// lines starting with '#' are ignored. Three kinds of line:
//   {"settings": {"description": "…", "seconds": 600, "per": "тест"}}
//   {"draw": "img/круг.jpg", "size": [320, 240], "background": "#fff", "shapes": [ … ]}
//   {"question": "…", "options": ["…", "…"], "correct": 1, "picture": "img/круг.jpg"}
// A shape is {"ellipse"|"rect": [x, y, w, h]}, {"polygon"|"line": [[x, y], …]} or
// {"text": "…", "at": [x, y], "size": 20}, each with optional "pen", "fill" and "width".
// Drawings are written beside the base (paths are relative to its folder) and every question's
// picture must be one of them. The whole source is checked before anything is written, and a
// failure while writing removes what was written.
void importBase(const QString& sourcePath, const QString& path, const ImportOptions& options);

}  // namespace qbtool
