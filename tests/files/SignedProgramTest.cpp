// A program signed after binding: the package is found before the certificate table only when
// the PE headers name a table that closes the file; a package grafted into the table, bytes
// after it and damaged headers are refused by the reader and the packer alike.
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

// The attack a signature does not catch: the last certificate grown (its length and the
// directory's size lie outside what is signed) by a second package whose trailer ends the file.
void GraftIntoTable(Bytes& b) {
    const uint32_t tableAt = b[SECURITY_AT] | (b[SECURITY_AT + 1] << 8) |
                             (b[SECURITY_AT + 2] << 16) | (uint32_t(b[SECURITY_AT + 3]) << 24);
    b = RawPackage::Simple({{"a.bin", "FOREIGN"}, {"ZEPINFO.txt", "VERSION A=9 a.bin"}}, b).bytes();
    Put32(b, SECURITY_AT + 4, static_cast<uint32_t>(b.size()) - tableAt);
}

} // namespace

class SignedProgramFile : public BindFixture {};

TEST_F(SignedProgramFile, PackageIsReadOnlyBeforeATableThatClosesTheFile) {
    enum Outcome { FOUND, ABSENT, REFUSED };
    struct Case {
        const char* name;
        Bytes bytes;
        void (*spoil)(Bytes&);
        Outcome outcome;
        const char* why; // REFUSED: what the reader and the packer say
    } const cases[] = {
        {"table right after the package", SignedProgram(0).bytes, nullptr, FOUND, ""},
        {"table aligned after 7 zero bytes", SignedProgram(7).bytes, nullptr, FOUND, ""},
        {"unsigned program",
         RawPackage::Simple({{"a.bin", "12345"}, {"ZEPINFO.txt", "VERSION A=1 a.bin"}},
                            ProgramHeaders())
             .bytes(),
         nullptr, FOUND, ""},
        {"MZ but no PE header: a plain package",
         RawPackage::Simple({{"a.bin", "12345"}, {"ZEPINFO.txt", "VERSION A=1 a.bin"}},
                            Bytes{'M', 'Z'})
             .bytes(),
         nullptr, FOUND, ""},
        {"non-zero bytes before the table", SignedProgram(3, 0xAA).bytes, nullptr, ABSENT, ""},
        {"PE header outside the file", SignedProgram(2).bytes,
         [](Bytes& b) { Put32(b, 0x3C, 0x7FFFFFF0); }, ABSENT, ""},
        {"package grafted into the table", SignedProgram(0).bytes, GraftIntoTable, REFUSED,
         "package found inside the signature"},
        {"package grafted into an aligned table", SignedProgram(5).bytes, GraftIntoTable, REFUSED,
         "package found inside the signature"},
        {"package grafted, none before the table", SignedProgram(2, 0xAA).bytes, GraftIntoTable,
         REFUSED, "package found inside the signature"},
        {"bytes after the table", SignedProgram(2).bytes, [](Bytes& b) { b.push_back(0); }, REFUSED,
         "bytes follow the signature's certificate table"},
        {"package appended after the table", SignedProgram(2).bytes,
         [](Bytes& b) {
             b = RawPackage::Simple({{"a.bin", "FOREIGN"}, {"ZEPINFO.txt", "y"}}, b).bytes();
         },
         REFUSED, "bytes follow the signature's certificate table"},
        {"table past the file's end", SignedProgram(2).bytes,
         [](Bytes& b) { Put32(b, SECURITY_AT + 4, 65); }, REFUSED,
         "certificate table lies outside the file"},
        {"table at offset 0", SignedProgram(2).bytes, [](Bytes& b) { Put32(b, SECURITY_AT, 0); },
         REFUSED, "certificate table lies outside the file"},
        {"table offset beyond 4 GiB wrap", SignedProgram(2).bytes,
         [](Bytes& b) { Put32(b, SECURITY_AT, 0xFFFFFFF0); }, REFUSED,
         "certificate table lies outside the file"},
        {"directories past the optional header", SignedProgram(2).bytes,
         [](Bytes& b) { Put32(b, OPT_AT + 108, 17); }, REFUSED, "directories run past"},
        {"unknown optional header", SignedProgram(2).bytes, [](Bytes& b) { b[OPT_AT + 1] = 9; },
         REFUSED, "unknown kind"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes bytes = c.bytes;
        if (c.spoil != nullptr)
            c.spoil(bytes);
        zepBindInfo* bind = OpenBytes(bytes);
        ASSERT_NE(bind, nullptr);
        EXPECT_EQ(bind->IsBindZepFile(), c.outcome == FOUND);
        std::string data;
        EXPECT_EQ(ReadAll(*bind, "a.bin", data), c.outcome == FOUND);
        if (c.outcome == FOUND) {
            EXPECT_EQ(data, "12345");
        }
        EXPECT_EQ(bind->RefusalReason().empty(), c.outcome != REFUSED) << bind->RefusalReason();
        EXPECT_NE(bind->RefusalReason().find(c.why), std::string::npos) << bind->RefusalReason();

        // The packer reads through the same search: never the foreign package, and says why.
        const std::string file = m_dir.Path("package.bin");
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"list", file},
              {"verify", file},
              {"extract", file, "a.bin", "-o", m_dir.Path("out.bin")}}) {
            std::ostringstream out, err;
            EXPECT_EQ(RunZepBind(args, out, err) == 0, c.outcome == FOUND)
                << args[0] << ": " << err.str();
            EXPECT_EQ(out.str().find("FOREIGN"), std::string::npos) << args[0];
            if (c.outcome == REFUSED) {
                EXPECT_NE(err.str().find(c.why), std::string::npos) << args[0] << ": " << err.str();
            }
        }
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
