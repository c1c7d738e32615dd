// The process-wide table of OpenGL entry points, filled at run time by OpenGLLoader.
// All drawing code calls OpenGL through these pointers; they live in namespace Vemox so that they
// never interpose on the symbols of the system's GL library.
#pragma once

#include <GL/glcorearb.h>

// X(type, name) for each of the 49 entry points the framework uses.
#define VEMOX_GL_ENTRY_POINTS(X)                                                                             \
    /* shader programs */                                                                                    \
    X(PFNGLCREATESHADERPROC, glCreateShader)                                                                 \
    X(PFNGLSHADERSOURCEPROC, glShaderSource)                                                                 \
    X(PFNGLCOMPILESHADERPROC, glCompileShader)                                                               \
    X(PFNGLGETSHADERIVPROC, glGetShaderiv)                                                                   \
    X(PFNGLGETSHADERINFOLOGPROC, glGetShaderInfoLog)                                                         \
    X(PFNGLCREATEPROGRAMPROC, glCreateProgram)                                                               \
    X(PFNGLATTACHSHADERPROC, glAttachShader)                                                                 \
    X(PFNGLLINKPROGRAMPROC, glLinkProgram)                                                                   \
    X(PFNGLGETPROGRAMIVPROC, glGetProgramiv)                                                                 \
    X(PFNGLGETPROGRAMINFOLOGPROC, glGetProgramInfoLog)                                                       \
    X(PFNGLDETACHSHADERPROC, glDetachShader)                                                                 \
    X(PFNGLDELETESHADERPROC, glDeleteShader)                                                                 \
    X(PFNGLDELETEPROGRAMPROC, glDeleteProgram)                                                               \
    X(PFNGLUSEPROGRAMPROC, glUseProgram)                                                                     \
    X(PFNGLGETUNIFORMLOCATIONPROC, glGetUniformLocation)                                                     \
    X(PFNGLGETATTRIBLOCATIONPROC, glGetAttribLocation)                                                       \
    X(PFNGLUNIFORMMATRIX4FVPROC, glUniformMatrix4fv)                                                         \
    X(PFNGLUNIFORM1IPROC, glUniform1i)                                                                       \
    /* buffers and vertex arrays */                                                                          \
    X(PFNGLGENBUFFERSPROC, glGenBuffers)                                                                     \
    X(PFNGLBINDBUFFERPROC, glBindBuffer)                                                                     \
    X(PFNGLBUFFERDATAPROC, glBufferData)                                                                     \
    X(PFNGLDELETEBUFFERSPROC, glDeleteBuffers)                                                               \
    X(PFNGLGENVERTEXARRAYSPROC, glGenVertexArrays)                                                           \
    X(PFNGLBINDVERTEXARRAYPROC, glBindVertexArray)                                                           \
    X(PFNGLDELETEVERTEXARRAYSPROC, glDeleteVertexArrays)                                                     \
    X(PFNGLVERTEXATTRIBPOINTERPROC, glVertexAttribPointer)                                                   \
    X(PFNGLENABLEVERTEXATTRIBARRAYPROC, glEnableVertexAttribArray)                                           \
    /* drawing and frame */                                                                                  \
    X(PFNGLDRAWARRAYSPROC, glDrawArrays)                                                                     \
    X(PFNGLDRAWELEMENTSPROC, glDrawElements)                                                                 \
    X(PFNGLCLEARPROC, glClear)                                                                               \
    X(PFNGLCLEARCOLORPROC, glClearColor)                                                                     \
    X(PFNGLVIEWPORTPROC, glViewport)                                                                         \
    X(PFNGLSCISSORPROC, glScissor)                                                                           \
    X(PFNGLFLUSHPROC, glFlush)                                                                               \
    /* state */                                                                                              \
    X(PFNGLENABLEPROC, glEnable)                                                                             \
    X(PFNGLDISABLEPROC, glDisable)                                                                           \
    X(PFNGLISENABLEDPROC, glIsEnabled)                                                                       \
    X(PFNGLBLENDFUNCPROC, glBlendFunc)                                                                       \
    X(PFNGLBLENDEQUATIONPROC, glBlendEquation)                                                               \
    X(PFNGLBLENDEQUATIONSEPARATEPROC, glBlendEquationSeparate)                                               \
    X(PFNGLGETINTEGERVPROC, glGetIntegerv)                                                                   \
    X(PFNGLGETERRORPROC, glGetError)                                                                         \
    X(PFNGLACTIVETEXTUREPROC, glActiveTexture)                                                               \
    /* textures */                                                                                           \
    X(PFNGLGENTEXTURESPROC, glGenTextures)                                                                   \
    X(PFNGLBINDTEXTUREPROC, glBindTexture)                                                                   \
    X(PFNGLTEXPARAMETERIPROC, glTexParameteri)                                                               \
    X(PFNGLPIXELSTOREIPROC, glPixelStorei)                                                                   \
    X(PFNGLTEXIMAGE2DPROC, glTexImage2D)                                                                     \
    X(PFNGLDELETETEXTURESPROC, glDeleteTextures)

namespace Vemox
{
#define VEMOX_DECLARE_GL_ENTRY_POINT(type, name) extern type name;
VEMOX_GL_ENTRY_POINTS(VEMOX_DECLARE_GL_ENTRY_POINT)
#undef VEMOX_DECLARE_GL_ENTRY_POINT

/// Resolves the entry points of the current OpenGL context.
class OpenGLLoader
{
public:
    /// Fills every entry point through SDL_GL_GetProcAddress; the new context must be current.
    /// Records the context version when glGetIntegerv was found.
    static void LoadFunctions();

    /// Name of the first entry point the last LoadFunctions could not resolve, or null when all were found.
    static const char* GetFirstMissingEntryPoint();
    static int GetMajorVersion();
    static int GetMinorVersion();
    /// Number of entry points in the table.
    static int GetNrOfEntryPoints();
};

/// Prints "OpenGL error = %d\n" on the standard error stream and stops the program when glGetError
/// reports an error. Active in every build type.
void CheckOpenGLError();
} // namespace Vemox
