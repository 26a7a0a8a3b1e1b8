// Package file-name rules.
#include "BindNames.h"

#include "zepBindFormat.h"

bool CheckBindName(const std::string& name, std::string& error) {
    if (name.empty()) {
        error = "empty file name";
        return false;
    }
    if (name.size() > ZEP_BIND_NAME_SIZE - 1) {
        error = "file name " + name + " is longer than 31 characters";
        return false;
    }
    if (name.find('\0') != std::string::npos) {
        error = "file name holds a NUL byte";
        return false;
    }
    return true;
}

bool BindNameSet::Add(const std::string& name, std::string& error) {
    std::string folded = name;
    for (char& c : folded) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    if (!m_folded.insert(folded).second) {
        error = "duplicate file name " + name;
        return false;
    }
    return true;
}
