// The built-in reference of vorl: the usage text, the list of script commands
// and the full help of each command, printed to standard output word for word.
#pragma once

#include "common/util/Types.h"

#include <string>
#include <vector>

void PrintUsage();

// Help for "vorl help ...": the whole argument list, program name and verb
// included. Returns true when it printed help, false for a wrong number of
// arguments or an unknown command name (the message is printed either way).
bool PrintHelp(const std::vector<std::string>& vArguments);

void PrintCommandList();

// One printer per command: the summary line(s), and unless bSummaryOnly an
// empty line and the command's syntax.
void PrintHelpAntialiasing(bool bSummaryOnly);
void PrintHelpCamera(bool bSummaryOnly);
void PrintHelpColor(bool bSummaryOnly);
void PrintHelpImage(bool bSummaryOnly);
void PrintHelpInstance(bool bSummaryOnly);
void PrintHelpLight(bool bSummaryOnly);
void PrintHelpLoadModel(bool bSummaryOnly);
void PrintHelpMaterial(bool bSummaryOnly);
void PrintHelpMatrix(bool bSummaryOnly);
void PrintHelpPlane(bool bSummaryOnly);
void PrintHelpPhotonMapping(bool bSummaryOnly);
void PrintHelpRotate(bool bSummaryOnly);
void PrintHelpScale(bool bSummaryOnly);
void PrintHelpSphere(bool bSummaryOnly);
void PrintHelpTexture(bool bSummaryOnly);

// Buffers of length-prefixed records: each record starts with its own length
// in bytes as a little-endian uint32 of at least 4. Nothing in vorl uses them.

// True when the records fill exactly nSize bytes (false below 4 bytes or for a
// record length below 4 or past the end).
bool RecordsFillBuffer(const uint8* pBuffer, uint32 nSize);
// Number of whole records in the first nSize bytes; counting stops at a record
// that runs past the end. 0 when a record length below 4 is met.
uint32 CountRecords(const uint8* pBuffer, uint32 nSize);
// Address of record iIndex (from 0), or null when that record or one before it
// has a length below 4. The caller must know that the buffer holds that record.
const uint8* GetRecord(const uint8* pBuffer, uint32 iIndex);
