#pragma once

class ClipItem;
class Pasteboard;

/// Puts one history item on the clipboard, replacing what was there: text as text,
/// rich text as text and its RTF or HTML, an image as PNG or TIFF (whichever its bytes
/// are), a file as a file reference and its path as text, a link as text only. Text that
/// is not valid UTF-8 is left out, so such an item may leave the clipboard empty.
void writeItemToPasteboard(Pasteboard &pasteboard, const ClipItem &item);
