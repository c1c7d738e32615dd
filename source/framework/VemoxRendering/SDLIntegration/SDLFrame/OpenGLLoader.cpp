// Fills the OpenGL entry-point table from the current context with SDL_GL_GetProcAddress.
#include "OpenGL.h"

#include "framework/VemoxCore/VemoxAssert.h"

#include <SDL.h>

#include <cstdio>

namespace Vemox
{
#define VEMOX_DEFINE_GL_ENTRY_POINT(type, name) type name = nullptr;
VEMOX_GL_ENTRY_POINTS(VEMOX_DEFINE_GL_ENTRY_POINT)
#undef VEMOX_DEFINE_GL_ENTRY_POINT

namespace
{
int g_MajorVersion = 0;
int g_MinorVersion = 0;
const char* g_pFirstMissing = nullptr;
} // namespace

void OpenGLLoader::LoadFunctions()
{
    g_pFirstMissing = nullptr;
#define VEMOX_LOAD_GL_ENTRY_POINT(type, name)                                                                \
    name = reinterpret_cast<type>(SDL_GL_GetProcAddress(#name));                                             \
    if (name == nullptr && g_pFirstMissing == nullptr)                                                       \
        g_pFirstMissing = #name;
    VEMOX_GL_ENTRY_POINTS(VEMOX_LOAD_GL_ENTRY_POINT)
#undef VEMOX_LOAD_GL_ENTRY_POINT

    g_MajorVersion = 0;
    g_MinorVersion = 0;
    if (glGetIntegerv != nullptr)
    {
        glGetIntegerv(GL_MAJOR_VERSION, &g_MajorVersion);
        glGetIntegerv(GL_MINOR_VERSION, &g_MinorVersion);
    }
}

const char* OpenGLLoader::GetFirstMissingEntryPoint()
{
    return g_pFirstMissing;
}
int OpenGLLoader::GetMajorVersion()
{
    return g_MajorVersion;
}
int OpenGLLoader::GetMinorVersion()
{
    return g_MinorVersion;
}

int OpenGLLoader::GetNrOfEntryPoints()
{
    int count = 0;
#define VEMOX_COUNT_GL_ENTRY_POINT(type, name) ++count;
    VEMOX_GL_ENTRY_POINTS(VEMOX_COUNT_GL_ENTRY_POINT)
#undef VEMOX_COUNT_GL_ENTRY_POINT
    return count;
}

void CheckOpenGLError()
{
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR)
    {
        std::fprintf(stderr, "OpenGL error = %d\n", static_cast<int>(error));
        VEMOX_ASSERT(error == GL_NO_ERROR);
    }
}
} // namespace Vemox
