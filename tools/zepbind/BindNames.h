// Rules for file names inside a bound package, shared by the packer and the verifier.
#pragma once

#include <set>
#include <string>

// A name is non-empty, at most 31 characters and free of NUL bytes.
bool CheckBindName(const std::string& name, std::string& error);

// Names seen so far. Duplicates are judged without regard to letter case, since the Windows
// program looks names up that way and would only ever find the first.
class BindNameSet {
public:
    bool Add(const std::string& name, std::string& error);

private:
    std::set<std::string> m_folded;
};
