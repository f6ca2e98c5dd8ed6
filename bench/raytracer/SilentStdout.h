// Points standard output at /dev/null while a benchmark runs code that prints progress
// lines, which would otherwise drown the benchmark's report.
#pragma once

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

class CSilentStdout
{
public:
    CSilentStdout()
    {
        fflush(stdout);
        m_nSaved = dup(1);
        const int nNull = open("/dev/null", O_WRONLY);
        dup2(nNull, 1);
        close(nNull);
    }
    ~CSilentStdout()
    {
        fflush(stdout);
        dup2(m_nSaved, 1);
        close(m_nSaved);
    }
    CSilentStdout(const CSilentStdout&) = delete;
    CSilentStdout& operator=(const CSilentStdout&) = delete;

private:
    int m_nSaved;
};
