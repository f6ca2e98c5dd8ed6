// The command-line road shared by AseToVorl and PlyToVorl: arguments, reading
// the input as text, building the model with the format's reader, writing XML.
#pragma once

#include "model/Model.h"
#include "common/util/FileBuffer.h"

// Exit statuses of the converters.
enum ConverterStatus
{
    CONVERTER_OK = 0,      // the output file was written
    CONVERTER_FAILED = 1,  // input unreadable or refused, or output not written
    CONVERTER_USAGE = 2    // wrong argument count; the usage text was printed
};

// A format reader: appends the meshes of the text in the buffer to the model;
// false when the input is refused (the reader has said why).
typedef bool (*ConverterRead)(const CFileBuffer& buffer, CModel& model);

// Runs a converter's command line "program inputfile outputfile". Nothing is
// written unless the whole model was read. Running out of memory prints "Out of
// memory" and fails.
ConverterStatus RunConverter(int argc, const char* const* argv, void (*pfnPrintUsage)(const char*),
                             ConverterRead pfnRead);
