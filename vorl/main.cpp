// The vorl program: prints the usage or the script reference, or renders a
// scene script into a TGA file. Exit status: 0 on success, 1 when the render
// fails, 2 for a command line it does not understand.
#include "common/util/FileBuffer.h"
#include "vorl/HelpTexts.h"
#include "vorl/Parser.h"

#include <cstdio>
#include <new>
#include <string>
#include <vector>

namespace
{

const int EXIT_OK = 0;
const int EXIT_FAILED = 1;
const int EXIT_USAGE = 2;

int Render(const std::string& sSceneName, const std::string& sImageName)
{
    CFileBuffer sceneBuffer;
    if (!sceneBuffer.LoadText(sSceneName.c_str()))
    {
        printf("Can't find scene file: %s\n", sSceneName.c_str());
        return EXIT_FAILED;
    }
    puts("File loaded");

    // An empty file loads as no data: the script is then the empty text.
    const char* pText = sceneBuffer.GetData() ? reinterpret_cast<const char*>(sceneBuffer.GetData())
                                              : "";
    CParser parser;
    if (!parser.RunScript(pText))
        return EXIT_FAILED;
    return parser.RenderScene(sImageName.c_str()) ? EXIT_OK : EXIT_FAILED;
}

int Run(int argc, char** argv)
{
    if (argc <= 1)
    {
        PrintUsage();
        return EXIT_OK;
    }
    std::vector<std::string> vArguments(argv, argv + argc);
    if (vArguments[1] == "help")
        return PrintHelp(vArguments) ? EXIT_OK : EXIT_USAGE;
    if (vArguments[1] == "render")
    {
        if (vArguments.size() != 4)
        {
            puts("Wrong number of arguments, try 'vorl help' for more information");
            return EXIT_USAGE;
        }
        return Render(vArguments[2], vArguments[3]);
    }
    puts("Unknown command, try 'vorl help' for more information");
    return EXIT_USAGE;
}

} // namespace

int main(int argc, char** argv)
{
    try
    {
        return Run(argc, argv);
    }
    catch (const std::bad_alloc&)
    {
        // Whatever was on the stack has been freed by now.
        fflush(stdout);
        puts("Out of memory");
        return EXIT_FAILED;
    }
}
