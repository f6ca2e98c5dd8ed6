// The usage text, the command list and the per-command help of vorl. Every
// line goes out through puts and every empty line through putchar, so the
// texts below carry no line ends of their own.
#include "vorl/HelpTexts.h"

#include <cstdio>

namespace
{

void EmptyLine()
{
    putchar('\n');
}

// The summary lines, then (for full help) an empty line and the syntax lines;
// an empty entry in either list prints an empty line.
void PrintLines(const std::vector<const char*>& vSummary,
                const std::vector<const char*>& vDetails, bool bSummaryOnly)
{
    for (const char* pLine : vSummary)
        puts(pLine);
    if (bSummaryOnly)
        return;
    EmptyLine();
    for (const char* pLine : vDetails)
    {
        if (*pLine)
            puts(pLine);
        else
            EmptyLine();
    }
}

const char* const g_pWrongArguments =
    "Wrong number of arguments, try 'vorl help' for more information";
const char* const g_pUnknownCommand =
    "Unknown command, try 'vorl help' for more information";

uint32 ReadLength(const uint8* pRecord)
{
    return uint32(pRecord[0]) | (uint32(pRecord[1]) << 8) | (uint32(pRecord[2]) << 16) |
           (uint32(pRecord[3]) << 24);
}

} // namespace

void PrintUsage()
{
    EmptyLine();
    puts("    vorl.exe is the command line interface to the Vorl Ray Tracer");
    EmptyLine();
    puts("    Usage:");
    EmptyLine();
    puts("    vorl help                         list all scripting commands");
    puts("    vorl help command                 help on specific command");
    puts("    vorl render scene.txt image.tga   run scene script and output to image");
    EmptyLine();
}

void PrintHelpAntialiasing(bool bSummaryOnly)
{
    PrintLines({"    antialiasing     Set antialiasing level"},
               {"    antialiasing iLevel"}, bSummaryOnly);
}

void PrintHelpCamera(bool bSummaryOnly)
{
    PrintLines({"    camera           Set camera parameters"},
               {"    camera fEyeX fEyeY fEyeZ fTargetX fTargetY fTargetZ fZoom"}, bSummaryOnly);
}

void PrintHelpColor(bool bSummaryOnly)
{
    PrintLines({"    color            Set current color"}, {"    color fRed fGreen fBlue"},
               bSummaryOnly);
}

void PrintHelpImage(bool bSummaryOnly)
{
    PrintLines({"    image            Set output image size"}, {"    image iWidth iHeight"},
               bSummaryOnly);
}

void PrintHelpInstance(bool bSummaryOnly)
{
    PrintLines({"    instance         Add new instance of model to the scene"},
               {"    instance name fPosX fPosY fPosZ"}, bSummaryOnly);
}

void PrintHelpLight(bool bSummaryOnly)
{
    PrintLines({"    light            Add new light to the scene"},
               {"    light fPosX fPosY fPosZ fPower"}, bSummaryOnly);
}

void PrintHelpLoadModel(bool bSummaryOnly)
{
    PrintLines({"    loadmodel        Load model from file"},
               {"    loadmodel name modelfile.bin", "",
                "    modelfile.bin must be in the Vorl binary model format",
                "    use the tools PlyToVorl.exe or AseToVorl.exe to convert into these formats"},
               bSummaryOnly);
}

void PrintHelpMaterial(bool bSummaryOnly)
{
    PrintLines({"    material         Set current material attributes"},
               {"    material type", "", "    types:", "", "    material diffuse",
                "    material plastic", "    material glass fRefractionIndex fAttenuation",
                "    material metal"},
               bSummaryOnly);
}

void PrintHelpMatrix(bool bSummaryOnly)
{
    PrintLines({"    matrix           Set current rotation/scaling matrix"},
               {"    matrix fVxX fVxY fVxZ fVyX fVyY fVyZ fVzX fVzY fVzZ"}, bSummaryOnly);
}

void PrintHelpPlane(bool bSummaryOnly)
{
    PrintLines({"    plane            Add new square plane to the scene"},
               {"    plane fPosX fPosY fPosZ"}, bSummaryOnly);
}

void PrintHelpPhotonMapping(bool bSummaryOnly)
{
    PrintLines({"    photonmapping    Enable photonmapping",
                "                     photonmapping is on experimental stage",
                "                     and not fully functional yet"},
               {"    photonmapping iPhotons"}, bSummaryOnly);
}

void PrintHelpRotate(bool bSummaryOnly)
{
    PrintLines({"    rotate           Rotate current matrix"},
               {"    rotate fAngleX fAngleY fAngleZ"}, bSummaryOnly);
}

void PrintHelpScale(bool bSummaryOnly)
{
    PrintLines({"    scale            Scale current matrix"},
               {"    scale fScaleX fScaleY fScaleZ"}, bSummaryOnly);
}

void PrintHelpSphere(bool bSummaryOnly)
{
    PrintLines({"    sphere           Add new sphere the scene"}, {"    sphere fPosX fPosY fPosZ"},
               bSummaryOnly);
}

void PrintHelpTexture(bool bSummaryOnly)
{
    PrintLines({"    texture          Set current texture attributes"},
               {"    texture type arguments", "", "    types:", "",
                "    texture marble fScale fPeriod fDistortion iOctaves", "    texture flat"},
               bSummaryOnly);
}

void PrintCommandList()
{
    EmptyLine();
    puts("    Vorl scripting commands:");
    EmptyLine();
    // Alphabetical, except that plane comes before photonmapping.
    PrintHelpAntialiasing(true);
    PrintHelpCamera(true);
    PrintHelpColor(true);
    PrintHelpImage(true);
    PrintHelpInstance(true);
    PrintHelpLight(true);
    PrintHelpLoadModel(true);
    PrintHelpMaterial(true);
    PrintHelpMatrix(true);
    PrintHelpPlane(true);
    PrintHelpPhotonMapping(true);
    PrintHelpRotate(true);
    PrintHelpScale(true);
    PrintHelpSphere(true);
    PrintHelpTexture(true);
}

bool PrintHelp(const std::vector<std::string>& vArguments)
{
    if (vArguments.size() == 2)
    {
        PrintCommandList();
        return true;
    }
    if (vArguments.size() != 3)
    {
        puts(g_pWrongArguments);
        return false;
    }

    struct SHelpEntry
    {
        const char* pName;
        void (*pPrinter)(bool);
    };
    // Searched in the order of the script interpreter's command table.
    static const SHelpEntry s_aEntries[] = {
        {"antialiasing", PrintHelpAntialiasing}, {"camera", PrintHelpCamera},
        {"light", PrintHelpLight},               {"color", PrintHelpColor},
        {"texture", PrintHelpTexture},           {"material", PrintHelpMaterial},
        {"matrix", PrintHelpMatrix},             {"rotate", PrintHelpRotate},
        {"scale", PrintHelpScale},               {"sphere", PrintHelpSphere},
        {"plane", PrintHelpPlane},               {"photonmapping", PrintHelpPhotonMapping},
        {"image", PrintHelpImage},               {"loadmodel", PrintHelpLoadModel},
        {"instance", PrintHelpInstance},
    };

    EmptyLine();
    for (const SHelpEntry& entry : s_aEntries)
    {
        if (vArguments[2] == entry.pName)
        {
            entry.pPrinter(false);
            return true;
        }
    }
    puts(g_pUnknownCommand);
    return false;
}

bool RecordsFillBuffer(const uint8* pBuffer, uint32 nSize)
{
    if (nSize < 4)
        return false;
    uint32 iPos = 0;
    while (iPos < nSize)
    {
        if (nSize - iPos < 4)
            return false;
        uint32 nLength = ReadLength(pBuffer + iPos);
        if (nLength < 4 || nLength > nSize - iPos)
            return false;
        iPos += nLength;
    }
    return true;
}

uint32 CountRecords(const uint8* pBuffer, uint32 nSize)
{
    uint32 nRecords = 0;
    uint32 iPos = 0;
    while (nSize - iPos >= 4)
    {
        uint32 nLength = ReadLength(pBuffer + iPos);
        // A length below 4 makes the buffer no list of records at all.
        if (nLength < 4)
            return 0;
        if (nLength > nSize - iPos)
            break;
        iPos += nLength;
        ++nRecords;
    }
    return nRecords;
}

const uint8* GetRecord(const uint8* pBuffer, uint32 iIndex)
{
    const uint8* pRecord = pBuffer;
    for (uint32 i = 0;; ++i)
    {
        uint32 nLength = ReadLength(pRecord);
        if (nLength < 4)
            return nullptr;
        if (i == iIndex)
            return pRecord;
        pRecord += nLength;
    }
}
