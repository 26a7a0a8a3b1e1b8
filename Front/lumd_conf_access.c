/* lumd.conf look-ups. The file comes from another program, so every scan is bounded by the end
   of the data (it is not NUL-terminated) and by the end of the current line. */
#include "lumd_conf_access.h"

#include <stdlib.h>
#include <string.h>

const TListConnectionInfo CONNECTION_INFO[] = {
    {CONNECTION_TYPE_TCPIP, "net:"},  {CONNECTION_TYPE_IPV6, "net6:"},
    {CONNECTION_TYPE_USB, "usb://"},  {CONNECTION_TYPE_BONJOUR, "mdns:"},
    {CONNECTION_TYPE_TCPIP, "lpd://"}, {CONNECTION_TYPE_UNKNOWN, NULL},
};

static const char* const kSignatures[] = {"net:", "net6:", "mdns:", "usb://", NULL};
static const char kSectionStart[] = "<Printer ";
static const char kDevicePath[] = "DevicePath ";
static const char kPdlType[] = "/PDLType";

/* First occurrence of the NUL-terminated pNeedle in [p, end), or null. */
static char* FindIn(char* p, const char* end, const char* pNeedle) {
    size_t n = strlen(pNeedle);
    for (; p != NULL && (size_t)(end - p) >= n; ++p) {
        if (memcmp(p, pNeedle, n) == 0)
            return p;
    }
    return NULL;
}

/* End of the line starting at p: its '\n', or end. */
static char* LineEnd(char* p, char* end) {
    char* nl = (char*)memchr(p, '\n', (size_t)(end - p));
    return nl != NULL ? nl : end;
}

static char* CopyText(const char* p, size_t n) {
    char* s = (char*)malloc(n + 1);
    if (s != NULL) {
        memcpy(s, p, n);
        s[n] = '\0';
    }
    return s;
}

/* The signature with which [p, end) begins, or null. */
static const char* SignatureAt(const char* p, const char* end) {
    int i;
    for (i = 0; kSignatures[i] != NULL; ++i) {
        size_t n = strlen(kSignatures[i]);
        if ((size_t)(end - p) >= n && memcmp(p, kSignatures[i], n) == 0)
            return kSignatures[i];
    }
    return NULL;
}

/* The queue name of a section line [line, lineEnd): its bounds, or false when the line is a
   comment or no section line. */
static int SectionName(char* line, char* lineEnd, char** pName, char** pNameEnd) {
    char* p;
    char* close;
    if (line == lineEnd || *line == '#')
        return 0;
    p = FindIn(line, lineEnd, kSectionStart);
    if (p == NULL)
        return 0;
    p += sizeof kSectionStart - 1;
    close = (char*)memchr(p, '>', (size_t)(lineEnd - p));
    if (close == NULL)
        return 0;
    *pName = p;
    *pNameEnd = close;
    return 1;
}

/* Finds the next section line at or after *pLine: its queue name's bounds, and in *pLine the
   start of the line after it. False at the end of the data. */
static int NextSection(char** pLine, char* pEnd, char** pName, char** pNameEnd) {
    while (*pLine < pEnd) {
        char* end = LineEnd(*pLine, pEnd);
        int found = SectionName(*pLine, end, pName, pNameEnd);
        *pLine = end < pEnd ? end + 1 : pEnd;
        if (found)
            return 1;
    }
    return 0;
}

int zGetAllDataFromStream(FILE* pStream, char** pBuf, long* lUsedSize) {
    size_t cap = 64;
    size_t used = 0;
    char* buf;
    if (pStream == NULL || pBuf == NULL || lUsedSize == NULL)
        return -1;
    buf = (char*)calloc(cap, 1);
    if (buf == NULL)
        return -1;
    for (;;) {
        size_t got = fread(buf + used, 1, cap - used, pStream);
        used += got;
        if (used == cap) {
            char* bigger = (char*)realloc(buf, cap * 2);
            if (bigger == NULL) {
                free(buf);
                return -1;
            }
            buf = bigger;
            cap *= 2;
            continue;
        }
        if (ferror(pStream)) {
            int err = ferror(pStream);
            free(buf);
            return err != 0 ? err : -1;
        }
        if (feof(pStream) || got == 0)
            break;
    }
    *pBuf = buf;
    *lUsedSize = (long)used;
    return 0;
}

const char* zGetIOSignatureFromLumdUri(const char* pLumdUri) {
    if (pLumdUri == NULL)
        return NULL;
    return SignatureAt(pLumdUri, pLumdUri + strlen(pLumdUri));
}

int zGetPrinterAddressAndIOLibType(char* pStart, char* pEnd, char* pQueueName, char** pAddress,
                                   char** pType) {
    char* line;
    char* name;
    char* nameEnd;
    size_t nQueue;
    if (pStart == NULL || pEnd == NULL || pQueueName == NULL || pAddress == NULL || pType == NULL)
        return 0;
    *pAddress = NULL;
    *pType = NULL;
    nQueue = strlen(pQueueName);
    for (line = pStart; NextSection(&line, pEnd, &name, &nameEnd);) {
        char* nextEnd;
        char* path;
        const char* sig;
        char* addr;
        char* addrEnd;
        if ((size_t)(nameEnd - name) != nQueue || memcmp(name, pQueueName, nQueue) != 0)
            continue;
        nextEnd = LineEnd(line, pEnd);
        path = FindIn(line, nextEnd, kDevicePath);
        if (path == NULL)
            return 1;
        path += sizeof kDevicePath - 1;
        sig = SignatureAt(path, nextEnd);
        if (sig == NULL)
            return 0;
        *pType = CopyText(sig, strlen(sig));
        if (*pType == NULL)
            return 0;
        addr = path + strlen(sig);
        addrEnd = FindIn(addr, nextEnd, kPdlType);
        if (addrEnd == NULL) {
            if (nextEnd == pEnd)
                return 1; /* last line without '\n': no address */
            addrEnd = nextEnd;
        }
        *pAddress = CopyText(addr, (size_t)(addrEnd - addr));
        if (*pAddress == NULL) {
            free(*pType);
            *pType = NULL;
            return 0;
        }
        return 1;
    }
    return 0;
}

/* Names are copied rather than cut out in place, so the data stays intact for the next look-up. */
int zGetQueueNameFromPrinterAddress(char* pStart, char* pEnd, char* pAddress, char** pQueueName) {
    char* line;
    char* name;
    char* nameEnd;
    if (pStart == NULL || pEnd == NULL || pAddress == NULL || pQueueName == NULL)
        return 0;
    *pQueueName = NULL;
    for (line = pStart; NextSection(&line, pEnd, &name, &nameEnd);) {
        char* nextEnd = LineEnd(line, pEnd);
        char* path = FindIn(line, nextEnd, kDevicePath);
        if (path != NULL && FindIn(path + sizeof kDevicePath - 1, nextEnd, pAddress) != NULL) {
            *pQueueName = CopyText(name, (size_t)(nameEnd - name));
            return *pQueueName != NULL;
        }
        line = nextEnd < pEnd ? nextEnd + 1 : pEnd;
    }
    return 0;
}

int zGetFirstQueueName(char* pStart, char* pEnd, char** pNextStart, char** pQueueName) {
    char* line;
    char* name;
    char* nameEnd;
    if (pStart == NULL || pEnd == NULL || pNextStart == NULL || pQueueName == NULL)
        return 0;
    *pQueueName = NULL;
    line = pStart;
    if (!NextSection(&line, pEnd, &name, &nameEnd))
        return 0;
    *pQueueName = CopyText(name, (size_t)(nameEnd - name));
    if (*pQueueName == NULL)
        return 0;
    *pNextStart = line;
    return 1;
}

int zGetQueueCount(char* pStart, char* pEnd) {
    int count = 0;
    char* line;
    char* name;
    char* nameEnd;
    if (pStart == NULL || pEnd == NULL)
        return 0;
    for (line = pStart; NextSection(&line, pEnd, &name, &nameEnd);)
        ++count;
    return count;
}

PLUMDConfAnalyze FolderPathForConf_Initialize(char* pFolderPath) {
    char path[2048];
    FILE* f;
    int n;
    PLUMDConfAnalyze obj;
    if (pFolderPath == NULL)
        return NULL;
    /* A cut path would name another file. */
    n = snprintf(path, sizeof path, "%s/%s/%s", pFolderPath, "LUMD", "lumd.conf");
    if (n < 0 || (size_t)n >= sizeof path)
        return NULL;
    obj = (PLUMDConfAnalyze)calloc(1, sizeof *obj);
    if (obj == NULL)
        return NULL;
    f = fopen(path, "r");
    if (f == NULL) {
        free(obj);
        return NULL;
    }
    if (zGetAllDataFromStream(f, &obj->pConfData, &obj->lConfDataSize) != 0) {
        obj->pConfData = NULL;
        obj->lConfDataSize = 0;
    }
    fclose(f);
    return obj;
}

int FolderPathForConf_GetAddressAndProtocol(PLUMDConfAnalyze pObj, char* pQueueName,
                                            char** pAddress, char** pType) {
    if (pObj == NULL || pObj->pConfData == NULL) {
        if (pAddress != NULL)
            *pAddress = NULL;
        if (pType != NULL)
            *pType = NULL;
        return 0;
    }
    return zGetPrinterAddressAndIOLibType(pObj->pConfData, pObj->pConfData + pObj->lConfDataSize,
                                          pQueueName, pAddress, pType);
}

void FolderPathForConf_Terminate(PLUMDConfAnalyze pObj) {
    if (pObj == NULL)
        return;
    free(pObj->pConfData);
    free(pObj);
}

int GetPrinterAddress(char* pFolderPath, char* pQueueName, char** ppReturnPrinterAddress,
                      char** ppReturnPrinterType) {
    PLUMDConfAnalyze obj;
    char* addr = NULL;
    char* type = NULL;
    if (pFolderPath == NULL || pQueueName == NULL || ppReturnPrinterAddress == NULL)
        return -1;
    obj = FolderPathForConf_Initialize(pFolderPath);
    if (obj == NULL)
        return -1;
    *ppReturnPrinterAddress = NULL;
    if (ppReturnPrinterType != NULL)
        *ppReturnPrinterType = NULL;
    if (FolderPathForConf_GetAddressAndProtocol(obj, pQueueName, &addr, &type)) {
        *ppReturnPrinterAddress = addr;
        if (ppReturnPrinterType != NULL)
            *ppReturnPrinterType = type;
        else
            free(type);
    }
    FolderPathForConf_Terminate(obj);
    return 0;
}

void getConnectionTypeFromURI(char* pPrinterURI, printer_connection_type* pConType,
                              char** ppIOSSignature) {
    int i;
    if (pPrinterURI == NULL || ppIOSSignature == NULL) {
        if (pConType != NULL)
            *pConType = CONNECTION_TYPE_UNKNOWN;
        return;
    }
    for (i = 0; CONNECTION_INFO[i].pConPrefix != NULL; ++i) {
        if (strstr(pPrinterURI, CONNECTION_INFO[i].pConPrefix) != NULL) {
            char* sig = strdup(CONNECTION_INFO[i].pConPrefix);
            if (sig == NULL)
                break; /* out of memory: reported as unknown */
            *ppIOSSignature = sig;
            if (pConType != NULL)
                *pConType = CONNECTION_INFO[i].conType;
            return;
        }
    }
    if (pConType != NULL)
        *pConType = CONNECTION_TYPE_UNKNOWN;
}
