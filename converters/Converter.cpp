// RunConverter: the steps and the messages that both converters share.
#include "converters/Converter.h"

#include <cstdio>
#include <new>
#include <string>

#include "model/ModelFile.h"

namespace
{
ConverterStatus Convert(int argc, const char* const* argv, void (*pfnPrintUsage)(const char*),
                        ConverterRead pfnRead)
{
    if (argc != 3)
    {
        pfnPrintUsage(argc > 0 && argv[0] != nullptr ? argv[0] : "");
        return CONVERTER_USAGE;
    }
    const std::string sInput = argv[1];
    const std::string sOutput = argv[2];
    printf("inputfile = %s\n", sInput.c_str());
    printf("outputfile = %s\n", sOutput.c_str());

    CModel model;
    {
        // The text is released before the XML text is built: the two are the
        // largest blocks of a conversion.
        CFileBuffer buffer;
        if (!buffer.LoadText(sInput.c_str()))
        {
            puts("error reading file");
            return CONVERTER_FAILED;
        }
        if (!pfnRead(buffer, model))
            return CONVERTER_FAILED;
    }
    // The output is XML whatever the output name's extension says.
    if (!SaveModelXml(sOutput, &model))
    {
        puts("error writing file");
        return CONVERTER_FAILED;
    }
    return CONVERTER_OK;
}
} // namespace

ConverterStatus RunConverter(int argc, const char* const* argv, void (*pfnPrintUsage)(const char*),
                             ConverterRead pfnRead)
{
    try
    {
        return Convert(argc, argv, pfnPrintUsage, pfnRead);
    }
    catch (const std::bad_alloc&)
    {
        // Whatever was on the stack has been freed by now. The output file is opened
        // only once its whole text is built, so nothing of it exists yet.
        fflush(stdout);
        puts("Out of memory");
        return CONVERTER_FAILED;
    }
}
