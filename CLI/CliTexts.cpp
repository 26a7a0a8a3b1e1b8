// The console's wording: status lines and captions in English, texts made safe for a terminal.
#include "CliTexts.h"

std::string StatusText(const ProgressView& view) {
    std::string text =
        FormatStatusText(std::string(EnglishText(view.nStatusId)), view.dwStatusNumber);
    if (view.bStopWaitsForWrite)
        text += " Stop requested: waiting for the device to finish writing.";
    return text;
}

const char* CaptionText(bool bWarning) {
    return EnglishText(bWarning ? IDS_CAPTION_WARNING : IDS_CAPTION_INFORMATION);
}

std::string OneLine(const std::string& text) {
    std::string line;
    for (char c : text) {
        if (c == '\r')
            continue;
        if (c == '\n') {
            if (!line.empty() && line.back() != ' ')
                line += ' ';
            continue;
        }
        line += c;
    }
    return line;
}

std::string Visible(const std::string& text) {
    static const char hex[] = "0123456789abcdef";
    std::string shown;
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            shown += std::string("\\x") + hex[u >> 4] + hex[u & 0xF];
        else
            shown += c;
    }
    return shown;
}
