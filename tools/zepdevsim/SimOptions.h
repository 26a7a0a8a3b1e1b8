// Settings of the device simulator: how the simulated device answers, and which faults it
// injects. Fault knobs count records per connection, from 1 (the first record a connection
// receives is record 1); 0 switches a knob off.
#pragma once

#include <cstdint>
#include <map>
#include <string>

struct SimOptions {
    std::string host = "127.0.0.1";
    uint16_t port = 48350; // 0: any free port, see DeviceSimulator::Port()
    uint16_t enterStatus = 0x0080;
    std::string targetInfo;            // content of the device's TargetInfo.txt
    uint32_t getFilePacketSize = 1024; // data bytes per GetFile packet
    std::string outputDir;   // whole, checksum-correct images are written here; empty: memory only
    uint32_t writeSteps = 3; // status queries answered "still writing" before "written"
    bool ackIntermediate = true; // reply to every intermediate SendFile packet
    std::string logPath;         // JSON lines; empty: memory only
    uint32_t maxConnections = 0; // accept this many, end when all have ended; 0: until stopped
    uint32_t maxRecordSize = 16u << 20; // largest DataLength accepted from the host
    uint32_t maxImageSize = 256u << 20; // larger images are refused with a write error
    uint32_t idleTimeoutMs = 60000; // a host silent this long is dropped, ending its download mode
    uint32_t acceptPollMs = 20; // how often an idle server looks for a stop; many servers: longer

    // Pace, as a device that erases and verifies flash answers late. Each delay is waited
    // before the answer it belongs to, plus a random part of up to jitterMs (from seed).
    uint32_t blockDelayMs = 0;   // before each answer to an intermediate SendFile block
    uint32_t verdictDelayMs = 0; // before each answer to an image's final packet
    uint32_t jitterMs = 0;
    uint32_t seed = 1;

    // Restart, as a device does once an update has ended with every image accepted and the
    // host has left download mode: it closes every connection, listens again after restartMs
    // and from then on reports the versions of the images it accepted. Off unless asked for,
    // so that a device updated twice in a row behaves as it always did.
    bool restart = false;
    uint32_t restartMs = 3000;
    bool restartKeepsOld = false;     // comes back with the old versions (boot rejected the image)
    bool restartNeverReturns = false; // never listens again
    // Staged: for this long after the update the device keeps serving and reports the written
    // versions, then restarts and comes back with the old ones (a boot that rejected them).
    uint32_t stagedMs = 0;
    std::map<std::string, std::string> imageVersions; // device file name -> version it installs

    // Fault injection.
    uint32_t closeAtRecord = 0;    // drop the connection on receiving this record
    uint32_t silentFromRecord = 0; // read but never answer from this record on
    uint32_t replyDelayMs = 0;     // pause before every reply
    uint32_t sendFileStatusAt = 0; // answer sendFileStatus to this SendFile packet (1 = first)
    uint16_t sendFileStatus = 0x0803;
    uint32_t corruptGetFilePacket = 0; // wrong CheckSum in this packet of every GetFile answer
    uint32_t wrongCodeAtRecord = 0;    // replies to this record carry another command code
    uint32_t badLengthAtRecord = 0;    // replies to this record misstate their DataLength ...
    int32_t badLengthDelta = 1;        // ... by this many bytes
    uint32_t queryWriteFaultFrom = 0;  // this status query (1 = first) and later ones get 0x0803
    uint32_t finalStatusAt = 0;        // answer finalStatus to this final packet (1 = first)
    uint16_t finalStatus = 0x0804;
    bool silentFinals = false; // never answer a final packet; its image is not stored
    uint32_t cutReplyAt = 0;   // send half of the reply to this record, then close
    uint32_t busyEnters = 0;   // the first N enters (over all connections) are answered 0x1001
    uint32_t printingMs = 0;   // busy printing: every enter in the first N ms is answered 0x1001
    bool logTimes = false;     // every log line carries "t_us", the steady clock's microseconds
};

// Whether the options describe a device that can be served; error says what is wrong.
bool ValidateSimOptions(const SimOptions& options, std::string* error);
