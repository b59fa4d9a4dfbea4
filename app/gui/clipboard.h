// Copy and Paste as New. Copy writes the selected paths with the save driver's clipboard format
// (GQ text with its prolog, which is also EPS) into the scratch file "clptmp" and offers it
// under the private GQ type and as EPS, plus the art as SVG for other programs. Paste as New
// takes any image Qt can read from the clipboard as a new untitled document.
#pragma once

#include <QString>

#include "app/command_set.h"

class QMimeData;

namespace vl::gui {

inline const QString kGqMimeType = QStringLiteral("application/x-morvo-gq3");
inline const QString kEpsMimeType = QStringLiteral("application/postscript");
inline const QString kSvgMimeType = QStringLiteral("image/svg+xml");

enum class CopyResult { kNothing, kCopied, kFailed };

// The clipboard data for the art's selected paths; nullptr when there is nothing to copy (no
// art, or no path selected) or a write failed (its message was shown).
[[nodiscard]] QMimeData* ArtMimeData(app::Program& program, app::Document& doc, CopyResult& result);

// Copy: puts ArtMimeData on the system clipboard.
CopyResult CopyArt(app::Program& program, app::Document& doc);

// Paste as New: the save prompts, then the clipboard's image as an untitled document. False
// when nothing was opened (no image on the clipboard: message shown; prompts cancelled).
bool PasteAsNew(app::CommandContext& ctx);

}  // namespace vl::gui
