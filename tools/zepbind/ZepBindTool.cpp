// Command parsing and the packer's commands: create, append, sign, list, extract, verify,
// signed-bytes and the test-image helper.
#include "ZepBindTool.h"

#include "AtomicFile.h"
#include "BindDirectory.h"
#include "BindPackageWriter.h"
#include "BindSigner.h"
#include "BindVerifier.h"
#include "HalvardVersion.h"
#include "ScopedBindReader.h"
#include "TestImage.h"

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <iomanip>
#include <map>
#include <sstream>

namespace {

const char HELP[] =
    "Usage: zepbind COMMAND ...\n"
    "Packs firmware images and their ZEPINFO.txt into the updater's bound package.\n"
    "\n"
    "  zepbind create -o OUT --info ZEPINFO.txt [--crlf] [--sign-key KEY.pem] IMAGE...\n"
    "      Write a stand-alone package (the macOS program's ZEPBINDDATA): the images in the\n"
    "      order given, then ZEPINFO.txt, the directory and the trailer.\n"
    "  zepbind append -o OUT --program PROGRAM --info ZEPINFO.txt [--crlf] [--sign-key KEY.pem]\n"
    "         IMAGE...\n"
    "      Write a copy of the Windows PROGRAM with the package appended to it.\n"
    "  zepbind sign --key KEY.pem [-o OUT] FILE\n"
    "      Sign the package of FILE (a package or a bound program, before Authenticode) with\n"
    "      the ECDSA P-256 private key in KEY.pem; in place unless -o names a copy. With\n"
    "      --sign-key, create and append sign as they pack.\n"
    "  zepbind signed-bytes FILE -o MANIFEST [--signature SIG.der]\n"
    "      Write the text a package's signature covers (and the signature, DER), for the\n"
    "      openssl command line to check. Of an unsigned package: the text a signature made\n"
    "      elsewhere has to cover.\n"
    "  zepbind attach-signature --public-key PUB.pem --signature SIG.der [-o OUT] FILE\n"
    "      Sign FILE with a signature made elsewhere over its signed-bytes (an ECDSA P-256\n"
    "      signature over SHA-256, DER); it is checked against PUB.pem first.\n"
    "  zepbind list FILE\n"
    "      Print the directory of a package or program: name, offset, size per file.\n"
    "  zepbind extract FILE NAME -o OUT\n"
    "      Copy the file NAME out of a package or program.\n"
    "  zepbind verify FILE\n"
    "      Check a package or program and its signature: prints the signer's fingerprint\n"
    "      (SHA-256 of its public key) or \"unsigned\"; exit status 0 when it is sound.\n"
    "  zepbind make-test-image --size N --seed S -o FILE\n"
    "      Test helper: write N deterministic pseudo-random bytes derived from seed S.\n"
    "  zepbind --help | --version\n"
    "\n"
    "The updater ends rows of ZEPINFO.txt only at CR LF: one with a bare line feed is refused,\n"
    "or with --crlf stored with CR LF row ends.\n"
    "Images are stored under their base file names (at most 31 characters, no two alike\n"
    "regardless of letter case); a package cannot exceed 2 GiB - 1 bytes. Outputs are written\n"
    "to a temporary file beside OUT and appear only when complete.\n"
    "Exit status: 0 success, 1 failure, 2 usage error.\n";

struct CommandLine {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options; // by long name without dashes
};

typedef int (*CommandFn)(const CommandLine&, std::ostream& out, std::ostream& err);

struct Command {
    const char* name;
    std::vector<std::string> options;  // all of them required
    std::vector<std::string> switches; // allowed, not required (with or without a value)
    size_t minArgs;
    size_t maxArgs;
    CommandFn run;
};

int Fail(std::ostream& err, const std::string& message) {
    err << "zepbind: " << message << "\n";
    return ZEPBIND_EXIT_FAILED;
}

int UsageError(std::ostream& err, const std::string& message) {
    err << "zepbind: " << message << " (zepbind --help shows the usage)\n";
    return ZEPBIND_EXIT_USAGE;
}

bool OptionName(const std::string& arg, std::string& name) {
    static const std::map<std::string, std::string> known = {
        {"-o", "output"},         {"--output", "output"}, {"--info", "info"},
        {"--program", "program"}, {"--size", "size"},     {"--seed", "seed"},
        {"--key", "key"},         {"--sign-key", "sign-key"}, {"--signature", "signature"},
        {"--public-key", "public-key"}};
    auto it = known.find(arg);
    if (it == known.end())
        return false;
    name = it->second;
    return true;
}

// Options without a value; given, they are present with an empty value.
bool SwitchName(const std::string& arg, std::string& name) {
    if (arg != "--crlf")
        return false;
    name = "crlf";
    return true;
}

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& cl, std::string& error) {
    bool bOptionsEnded = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!bOptionsEnded && arg == "--") {
            bOptionsEnded = true;
        } else if (!bOptionsEnded && arg.size() > 1 && arg[0] == '-') {
            std::string name;
            if (SwitchName(arg, name)) {
                if (!cl.options.emplace(name, std::string()).second) {
                    error = "option " + arg + " given twice";
                    return false;
                }
                continue;
            }
            if (!OptionName(arg, name)) {
                error = "unknown option " + arg;
                return false;
            }
            if (i + 1 >= args.size()) {
                error = "option " + arg + " needs a value";
                return false;
            }
            if (!cl.options.emplace(name, args[++i]).second) {
                error = "option " + arg + " given twice";
                return false;
            }
        } else {
            cl.positional.push_back(arg);
        }
    }
    return true;
}

bool ParseNumber(const std::string& text, unsigned long long max, unsigned long long& value) {
    if (text.empty() || text.size() > 20)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        unsigned long long digit = static_cast<unsigned long long>(c - '0');
        if (value > (max - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    return true;
}

// Names come from files that may be damaged: keep the terminal safe.
std::string Printable(const std::string& name) {
    std::ostringstream s;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F || c == '\\')
            s << "\\x" << std::hex << std::setw(2) << std::setfill('0') << int(c) << std::dec;
        else
            s << c;
    }
    return s.str();
}

int RunWrite(const CommandLine& cl, const std::string& program, std::ostream& out,
             std::ostream& err) {
    BindPackageSpec spec;
    spec.outPath = cl.options.at("output");
    spec.programPath = program;
    spec.infoPath = cl.options.at("info");
    spec.imagePaths = cl.positional;
    spec.bCrLf = cl.options.count("crlf") != 0;
    std::string error;
    const auto key = cl.options.find("sign-key");
    if (key == cl.options.end())
        return WriteBindPackage(spec, error) ? ZEPBIND_EXIT_OK : Fail(err, error);
    // Packed beside the target, then signed into it: an unsigned copy never appears there.
    const std::string target = spec.outPath;
    spec.outPath = target + ".unsigned";
    std::string fingerprint;
    const bool bOk = WriteBindPackage(spec, error) &&
                     SignBindPackage(spec.outPath, target, key->second, fingerprint, error);
    std::remove(spec.outPath.c_str());
    if (!bOk)
        return Fail(err, error);
    out << target << ": signed by " << fingerprint << "\n";
    return ZEPBIND_EXIT_OK;
}

int RunCreate(const CommandLine& cl, std::ostream& out, std::ostream& err) {
    return RunWrite(cl, std::string(), out, err);
}

int RunAppend(const CommandLine& cl, std::ostream& out, std::ostream& err) {
    return RunWrite(cl, cl.options.at("program"), out, err);
}

int RunSign(const CommandLine& cl, std::ostream& out, std::ostream& err) {
    const std::string& file = cl.positional[0];
    const auto to = cl.options.find("output");
    const std::string target = to != cl.options.end() ? to->second : file;
    std::string fingerprint, error;
    if (!SignBindPackage(file, target, cl.options.at("key"), fingerprint, error))
        return Fail(err, error);
    out << target << ": signed by " << fingerprint << "\n";
    return ZEPBIND_EXIT_OK;
}

int RunAttachSignature(const CommandLine& cl, std::ostream& out, std::ostream& err) {
    const std::string& file = cl.positional[0];
    const auto to = cl.options.find("output");
    const std::string target = to != cl.options.end() ? to->second : file;
    std::string fingerprint, error;
    if (!AttachSignature(file, target, cl.options.at("public-key"), cl.options.at("signature"),
                         fingerprint, error))
        return Fail(err, error);
    out << target << ": signed by " << fingerprint << "\n";
    return ZEPBIND_EXIT_OK;
}

int RunSignedBytes(const CommandLine& cl, std::ostream&, std::ostream& err) {
    const std::string& file = cl.positional[0];
    ZepPackageFacts facts;
    std::string error;
    if (!InspectBindPackage(file, facts, error))
        return Fail(err, error);
    const auto sig = cl.options.find("signature");
    if (facts.eSignature == ZEP_SIG_UNSIGNED) {
        // What a signature made elsewhere has to cover, for attach-signature.
        SigningPlan plan;
        if (sig != cl.options.end())
            return Fail(err, file + " is not signed: it has no signature to write");
        if (!PlanSigning(file, plan, error))
            return Fail(err, error);
        facts.strManifest = plan.manifest;
    }
    if (facts.strManifest.empty())
        return Fail(err, file + ": " + facts.strProblem);
    AtomicFile manifest, signature;
    if (!manifest.Open(cl.options.at("output"), error) ||
        (sig != cl.options.end() && !signature.Open(sig->second, error)))
        return Fail(err, error);
    manifest.Write(facts.strManifest.data(), facts.strManifest.size());
    if (sig != cl.options.end()) {
        signature.Write(facts.signature.data(), facts.signature.size());
        if (!signature.Commit(error))
            return Fail(err, error);
    }
    if (!manifest.Commit(error))
        return Fail(err, error);
    return ZEPBIND_EXIT_OK;
}

int RunList(const CommandLine& cl, std::ostream& out, std::ostream& err) {
    BindDirectory dir;
    std::string error;
    if (!dir.Load(cl.positional[0], error))
        return Fail(err, error);
    for (const BindEntry& e : dir.Entries())
        out << std::left << std::setw(31) << Printable(e.name) << std::right << " " << std::setw(10)
            << e.offset << " " << std::setw(10) << e.size << "\n";
    return ZEPBIND_EXIT_OK;
}

int RunExtract(const CommandLine& cl, std::ostream&, std::ostream& err) {
    const std::string& file = cl.positional[0];
    const std::string& name = cl.positional[1];
    std::string error;
    BindDirectory dir;
    if (!dir.Load(file, error))
        return Fail(err, error);
    ScopedBindReader reader(file);
    zepBindInfo* pBind = reader.get();
    unsigned long dwSize = 0;
    if (pBind == nullptr || !pBind->getBindFileSize(name.c_str(), dwSize))
        return Fail(err, file + " holds no readable file named " + name);
    AtomicFile out;
    if (!out.Open(cl.options.at("output"), error))
        return Fail(err, error);
    std::vector<unsigned char> buf(1 << 16);
    for (unsigned long dwOffset = 0; dwOffset < dwSize;) {
        unsigned long dwPiece = static_cast<unsigned long>(buf.size());
        if (!pBind->getBindFileData(name.c_str(), dwOffset, buf.data(), dwPiece) || dwPiece == 0)
            return Fail(err, "cannot read " + name + " from " + file);
        out.Write(buf.data(), dwPiece);
        dwOffset += dwPiece;
    }
    if (!out.Commit(error))
        return Fail(err, error);
    return ZEPBIND_EXIT_OK;
}

int RunVerify(const CommandLine& cl, std::ostream& out, std::ostream& err) {
    std::vector<std::string> problems;
    if (!VerifyBindPackage(cl.positional[0], problems)) {
        for (const std::string& p : problems)
            err << "zepbind: " << cl.positional[0] << ": " << p << "\n";
        return ZEPBIND_EXIT_FAILED;
    }
    ZepPackageFacts facts;
    std::string error;
    if (!InspectBindPackage(cl.positional[0], facts, error))
        return Fail(err, error);
    out << cl.positional[0] << ": sound\n";
    out << "sha256: " << facts.strSha256 << "\n";
    switch (facts.eSignature) {
    case ZEP_SIG_UNSIGNED:
        out << "signature: unsigned\n";
        return ZEPBIND_EXIT_OK;
    case ZEP_SIG_VALID:
        out << "signature: signed by " << facts.strSigner << "\n";
        return ZEPBIND_EXIT_OK;
    default:
        err << "zepbind: " << cl.positional[0] << ": the signature does not hold: "
            << facts.strProblem << "\n";
        return ZEPBIND_EXIT_FAILED;
    }
}

int RunMakeTestImage(const CommandLine& cl, std::ostream&, std::ostream& err) {
    unsigned long long size = 0, seed = 0;
    if (!ParseNumber(cl.options.at("size"), INT32_MAX, size))
        return UsageError(err, "--size needs a number of bytes below 2 GiB");
    if (!ParseNumber(cl.options.at("seed"), UINT64_MAX, seed))
        return UsageError(err, "--seed needs a non-negative number");
    std::string error;
    if (!WriteTestImage(cl.options.at("output"), size, seed, error))
        return Fail(err, error);
    return ZEPBIND_EXIT_OK;
}

const Command COMMANDS[] = {
    {"create", {"output", "info"}, {"crlf", "sign-key"}, 1, SIZE_MAX, RunCreate},
    {"append", {"output", "info", "program"}, {"crlf", "sign-key"}, 1, SIZE_MAX, RunAppend},
    {"sign", {"key"}, {"output"}, 1, 1, RunSign},
    {"signed-bytes", {"output"}, {"signature"}, 1, 1, RunSignedBytes},
    {"attach-signature", {"public-key", "signature"}, {"output"}, 1, 1, RunAttachSignature},
    {"list", {}, {}, 1, 1, RunList},
    {"extract", {"output"}, {}, 2, 2, RunExtract},
    {"verify", {}, {}, 1, 1, RunVerify},
    {"make-test-image", {"output", "size", "seed"}, {}, 0, 0, RunMakeTestImage},
};

bool CheckArguments(const Command& cmd, const CommandLine& cl, std::string& error) {
    for (const auto& opt : cl.options) {
        if (std::find(cmd.options.begin(), cmd.options.end(), opt.first) == cmd.options.end() &&
            std::find(cmd.switches.begin(), cmd.switches.end(), opt.first) == cmd.switches.end()) {
            error = std::string(cmd.name) + " takes no --" + opt.first;
            return false;
        }
    }
    for (const std::string& name : cmd.options) {
        if (cl.options.count(name) == 0) {
            error = std::string(cmd.name) + " needs " + (name == "output" ? "-o" : "--" + name);
            return false;
        }
    }
    if (cl.positional.size() < cmd.minArgs || cl.positional.size() > cmd.maxArgs) {
        error = std::string("wrong number of arguments for ") + cmd.name;
        return false;
    }
    return true;
}

} // namespace

int RunZepBind(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty())
        return UsageError(err, "no command given");
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        out << HELP;
        return ZEPBIND_EXIT_OK;
    }
    if (args[0] == "--version") {
        out << "zepbind " HALVARD_VERSION "\n";
        return ZEPBIND_EXIT_OK;
    }
    for (const Command& cmd : COMMANDS) {
        if (args[0] != cmd.name)
            continue;
        CommandLine cl;
        std::string error;
        if (!ParseCommandLine(args, cl, error) || !CheckArguments(cmd, cl, error))
            return UsageError(err, error);
        return cmd.run(cl, out, err);
    }
    return UsageError(err, "unknown command " + args[0]);
}
