// Finding and mending bare line feeds in ZEPINFO.txt.
#include "InfoLineEnds.h"

size_t FirstBareLineFeedRow(const std::string& text) {
    size_t row = 1;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n')
            continue;
        if (i == 0 || text[i - 1] != '\r')
            return row;
        ++row;
    }
    return 0;
}

std::string WithCrLfRowEnds(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}
