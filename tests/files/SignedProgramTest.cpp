// A program signed after binding: the package is found before the certificate table only when
// the PE headers name a table that closes the file, and damaged headers never mislead the
// reader or the packer.
#include "BindFixture.h"
#include "ZepBindTool.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

const size_t PE_AT = 64, OPT_AT = PE_AT + 24, OPT_SIZE = 112 + 16 * 8;
const size_t SECURITY_AT = OPT_AT + 112 + 4 * 8;

void Put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

// A PE32+ program's headers, padded to 1024 bytes.
Bytes ProgramHeaders() {
    Bytes b(1024, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put32(b, 0x3C, PE_AT);
    b[PE_AT] = 'P';
    b[PE_AT + 1] = 'E';
    b[PE_AT + 20] = OPT_SIZE & 0xFF; // SizeOfOptionalHeader
    b[PE_AT + 21] = OPT_SIZE >> 8;
    b[OPT_AT] = 0x0B; // PE32+
    b[OPT_AT + 1] = 0x02;
    Put32(b, OPT_AT + 108, 16); // NumberOfRvaAndSizes
    return b;
}

struct Signed {
    Bytes bytes;
    size_t packageEnd;
};

// headers + package + pad zero bytes + a certificate table of 64 bytes named by the headers.
Signed SignedProgram(size_t pad, unsigned char padByte = 0) {
    RawPackage pkg = RawPackage::Simple({{"a.bin", "12345"}, {"ZEPINFO.txt", "VERSION A=1 a.bin"}},
                                        ProgramHeaders());
    Signed s = {pkg.bytes(), 0};
    s.packageEnd = s.bytes.size();
    s.bytes.insert(s.bytes.end(), pad, padByte);
    Put32(s.bytes, SECURITY_AT, static_cast<uint32_t>(s.bytes.size()));
    Put32(s.bytes, SECURITY_AT + 4, 64);
    s.bytes.insert(s.bytes.end(), 64, 0x30);
    return s;
}

} // namespace

class SignedProgramFile : public BindFixture {};

TEST_F(SignedProgramFile, PackageIsFoundBeforeATableThatClosesTheFile) {
    struct Case {
        const char* name;
        Signed program;
        void (*spoil)(Bytes&);
        bool bFound;
    } const cases[] = {
        {"table right after the package", SignedProgram(0), nullptr, true},
        {"table aligned after 7 zero bytes", SignedProgram(7), nullptr, true},
        {"non-zero bytes before the table", SignedProgram(3, 0xAA), nullptr, false},
        {"bytes after the table", SignedProgram(2), [](Bytes& b) { b.push_back(0); }, false},
        {"table past the file's end", SignedProgram(2),
         [](Bytes& b) { Put32(b, SECURITY_AT + 4, 65); }, false},
        {"PE header outside the file", SignedProgram(2),
         [](Bytes& b) { Put32(b, 0x3C, 0x7FFFFFF0); }, false},
        {"directories past the optional header", SignedProgram(2),
         [](Bytes& b) { Put32(b, OPT_AT + 108, 17); }, false},
        {"unknown optional header", SignedProgram(2), [](Bytes& b) { b[OPT_AT + 1] = 9; }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes bytes = c.program.bytes;
        if (c.spoil != nullptr)
            c.spoil(bytes);
        zepBindInfo* bind = OpenBytes(bytes);
        ASSERT_NE(bind, nullptr);
        EXPECT_EQ(bind->IsBindZepFile(), c.bFound);
        std::string data;
        EXPECT_EQ(ReadAll(*bind, "a.bin", data), c.bFound);
        if (c.bFound) {
            EXPECT_EQ(data, "12345");
        }
        std::ostringstream out, err;
        EXPECT_EQ(RunZepBind({"verify", m_dir.Path("package.bin")}, out, err) == 0, c.bFound)
            << err.str();
    }
}

TEST_F(SignedProgramFile, PackerBindsNeitherASignedNorADamagedProgram) {
    const std::string info = m_dir.Path("info.txt"), image = m_dir.Path("a.bin");
    WriteFileText(info, "VERSION A=1 a.bin\r\n");
    WriteFileText(image, "12345");
    Bytes unsignedProgram = ProgramHeaders();
    Bytes damaged = ProgramHeaders();
    Put32(damaged, 0x3C, 0x7FFFFFF0);
    struct Case {
        const char* name;
        Bytes program;
        const char* error; // empty: bound
    } const cases[] = {
        {"unsigned", unsignedProgram, ""},
        {"signed", SignedProgram(0).bytes, "is already signed"},
        {"signed without a package",
         [] {
             Bytes b = ProgramHeaders();
             Put32(b, SECURITY_AT, static_cast<uint32_t>(b.size()) - 64);
             Put32(b, SECURITY_AT + 4, 64);
             return b;
         }(),
         "bind the unsigned program, then sign the result"},
        {"damaged headers", damaged, "PE header lies outside the file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string program = m_dir.Path("program.exe"), out = m_dir.Path("out.exe");
        WriteFileBytes(program, c.program);
        std::ostringstream o, e;
        int rc =
            RunZepBind({"append", "-o", out, "--program", program, "--info", info, image}, o, e);
        EXPECT_EQ(rc == 0, *c.error == '\0') << e.str();
        EXPECT_NE(e.str().find(c.error), std::string::npos) << e.str();
        std::remove(out.c_str());
    }
}
