// AseToVorl: converts the meshes of a 3ds MAX ASCII export (.ASE) into a Vorl
// XML model file.
#include "converters/AseReader.h"
#include "converters/Converter.h"

static bool ReadAseText(const CFileBuffer& buffer, CModel& model)
{
    return ReadAse(&buffer, &model);
}

int main(int argc, char** argv)
{
    return RunConverter(argc, argv, PrintAseUsage, ReadAseText);
}
