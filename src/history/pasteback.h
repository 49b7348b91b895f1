#pragma once

class ClipItem;
class Pasteboard;

/// Puts one history item on the clipboard, replacing what was there: text as text,
/// rich text as text and RTF, an image as PNG, a file as a file reference, a link as
/// text, link and URL. Text that is not valid UTF-8 is left out, so such an item may
/// leave the clipboard empty.
void writeItemToPasteboard(Pasteboard &pasteboard, const ClipItem &item);
