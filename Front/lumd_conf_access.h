/* Reading the maker's printer-daemon configuration, "lumd.conf": the address and I/O kind recorded
   for a print queue, and the connection kind of any device URI. Plain C over files, no state. */
#ifndef LUMD_CONF_ACCESS_H
#define LUMD_CONF_ACCESS_H

#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum printer_connection_type {
    CONNECTION_TYPE_UNKNOWN = 0,
    CONNECTION_TYPE_TCPIP = 1,
    CONNECTION_TYPE_IPV6 = 2,
    CONNECTION_TYPE_USB = 3,
    CONNECTION_TYPE_BONJOUR = 4
} printer_connection_type;

typedef struct TListConnectionInfo {
    printer_connection_type conType;
    const char* pConPrefix;
} TListConnectionInfo;

/* Searched in order; ended by a record with a null prefix. */
extern const TListConnectionInfo CONNECTION_INFO[];

/* One configuration file in memory; pConfData is not NUL-terminated. */
typedef struct LUMDConfAnalyze {
    char* pConfData;
    long lConfDataSize;
} LUMDConfAnalyze, *PLUMDConfAnalyze;

/* Every text handed out through a char** is malloc'd; the caller frees it. */
int zGetAllDataFromStream(FILE* pStream, char** pBuf, long* lUsedSize);
const char* zGetIOSignatureFromLumdUri(const char* pLumdUri);
int zGetPrinterAddressAndIOLibType(char* pStart, char* pEnd, char* pQueueName, char** pAddress,
                                   char** pType);
int zGetQueueNameFromPrinterAddress(char* pStart, char* pEnd, char* pAddress, char** pQueueName);
int zGetFirstQueueName(char* pStart, char* pEnd, char** pNextStart, char** pQueueName);
int zGetQueueCount(char* pStart, char* pEnd);

PLUMDConfAnalyze FolderPathForConf_Initialize(char* pFolderPath);
int FolderPathForConf_GetAddressAndProtocol(PLUMDConfAnalyze pObj, char* pQueueName,
                                            char** pAddress, char** pType);
void FolderPathForConf_Terminate(PLUMDConfAnalyze pObj);

/* -1 for a missing argument or no readable lumd.conf in the folder, else 0 (the outputs stay
   null when the queue is not found). */
int GetPrinterAddress(char* pFolderPath, char* pQueueName, char** ppReturnPrinterAddress,
                      char** ppReturnPrinterType);
void getConnectionTypeFromURI(char* pPrinterURI, printer_connection_type* pConType,
                              char** ppIOSSignature);

#ifdef __cplusplus
}
#endif

#endif
