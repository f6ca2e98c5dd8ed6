// PlyToVorl: converts an ASCII PLY mesh into a Vorl XML model file.
#include "converters/Converter.h"
#include "converters/PlyReader.h"

int main(int argc, char** argv)
{
    return RunConverter(argc, argv, PrintPlyUsage, ReadPly);
}
