// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <ostream>
#include <string>

#include "window/CommandLine.h"

namespace tolmer {

// Writes the image as a PNG that replaces `path` whole or not at all. Throws
// GridError naming the file and the reason.
void WritePng(const QImage& image, const std::string& path);

// Writes the whole grid of request.file as a PNG picture, as BoundedGridPicture
// places it, with the viewer's shades: the first stored row at the bottom. Reads the
// file twice, for its range and then for the rows, which are drawn and encoded as
// they come, so memory follows the picture's width. Needs no display and no
// application object. The picture replaces request.picture whole or not at all:
// never when that is the grid itself, nor when the file changed meanwhile.
//
// Returns the exit status: 0 written; 1 when the grid cannot be shown, has no cells,
// or the picture cannot be written; 2 when the picture would overwrite the grid.
// Why it failed goes to `errors`, one line after "tolmer: ".
int ExportPng(const ExportRequest& request, std::ostream& errors);

// Writes a thumbnail of request.file's whole grid as a PNG picture request.picture,
// at most request.size pixels on its longer side and otherwise as ExportPng draws
// it, quickly whatever the grid's size: a grid of more than 256 MiB of records is
// drawn from evenly spaced rows, about 64 MiB of them. Writes nothing beside the
// grid, and the picture whole or not at all. Returns the exit status as ExportPng
// does.
int ThumbnailPng(const ThumbnailRequest& request, std::ostream& errors);

}  // namespace tolmer
