#pragma once
// OpenGL for the whole program: include this header instead of <GL/gl.h>.
//
// Only OpenGL 1.1 is exported by every system's OpenGL library (Windows'
// opengl32.dll stops there); everything newer is asked of the driver once a
// context exists. Each function newer than 1.1 that the code calls is listed
// once below and becomes a pointer named trevalin_<function>, which the
// code keeps calling by OpenGL's own name through a #define. No symbol here is
// named like an OpenGL function, so nothing interposes on the driver's own.

#if defined(_WIN32)
// What <GL/gl.h> would otherwise include all of <windows.h> for. OpenGL 1.1
// is called through the import library's stubs rather than dllimport
// pointers, so that the tests' link-time seams (--wrap) catch those calls as
// they do on Linux.
#ifndef APIENTRY
#define APIENTRY __stdcall
#endif
#ifndef WINGDIAPI
#define WINGDIAPI
#endif
#endif
#include <GL/gl.h>
#include <GL/glext.h>

// Every OpenGL function newer than 1.1 that the program or its tests call,
// with its pointer type from <GL/glext.h>. A new call needs its line here and
// its #define below (the check at the end of this file insists).
#define TREVALIN_GL_FUNCTIONS(X)                                   \
  /* 1.3 */                                                        \
  X(PFNGLACTIVETEXTUREPROC, glActiveTexture)                       \
  /* 1.5 */                                                        \
  X(PFNGLBINDBUFFERPROC, glBindBuffer)                             \
  X(PFNGLBUFFERDATAPROC, glBufferData)                             \
  X(PFNGLDELETEBUFFERSPROC, glDeleteBuffers)                       \
  X(PFNGLGENBUFFERSPROC, glGenBuffers)                             \
  X(PFNGLISBUFFERPROC, glIsBuffer)                                 \
  X(PFNGLGETBUFFERPARAMETERIVPROC, glGetBufferParameteriv)         \
  X(PFNGLGENQUERIESPROC, glGenQueries)                             \
  X(PFNGLDELETEQUERIESPROC, glDeleteQueries)                       \
  X(PFNGLBEGINQUERYPROC, glBeginQuery)                             \
  X(PFNGLENDQUERYPROC, glEndQuery)                                 \
  X(PFNGLGETQUERYOBJECTUIVPROC, glGetQueryObjectuiv)               \
  /* 2.0 */                                                        \
  X(PFNGLATTACHSHADERPROC, glAttachShader)                         \
  X(PFNGLBINDATTRIBLOCATIONPROC, glBindAttribLocation)             \
  X(PFNGLCOMPILESHADERPROC, glCompileShader)                       \
  X(PFNGLCREATEPROGRAMPROC, glCreateProgram)                       \
  X(PFNGLCREATESHADERPROC, glCreateShader)                         \
  X(PFNGLDISABLEVERTEXATTRIBARRAYPROC, glDisableVertexAttribArray) \
  X(PFNGLENABLEVERTEXATTRIBARRAYPROC, glEnableVertexAttribArray)   \
  X(PFNGLGETPROGRAMINFOLOGPROC, glGetProgramInfoLog)               \
  X(PFNGLGETPROGRAMIVPROC, glGetProgramiv)                         \
  X(PFNGLGETSHADERINFOLOGPROC, glGetShaderInfoLog)                 \
  X(PFNGLGETSHADERIVPROC, glGetShaderiv)                           \
  X(PFNGLGETUNIFORMLOCATIONPROC, glGetUniformLocation)             \
  X(PFNGLGETUNIFORMFVPROC, glGetUniformfv)                         \
  X(PFNGLGETVERTEXATTRIBIVPROC, glGetVertexAttribiv)               \
  X(PFNGLLINKPROGRAMPROC, glLinkProgram)                           \
  X(PFNGLSHADERSOURCEPROC, glShaderSource)                         \
  X(PFNGLUNIFORMMATRIX4FVPROC, glUniformMatrix4fv)                 \
  X(PFNGLUSEPROGRAMPROC, glUseProgram)                             \
  X(PFNGLVERTEXATTRIBPOINTERPROC, glVertexAttribPointer)

#define TREVALIN_GL_POINTER(type, name) extern type trevalin_##name;
TREVALIN_GL_FUNCTIONS(TREVALIN_GL_POINTER)
#undef TREVALIN_GL_POINTER

#define glActiveTexture trevalin_glActiveTexture
#define glBindBuffer trevalin_glBindBuffer
#define glBufferData trevalin_glBufferData
#define glDeleteBuffers trevalin_glDeleteBuffers
#define glGenBuffers trevalin_glGenBuffers
#define glIsBuffer trevalin_glIsBuffer
#define glGetBufferParameteriv trevalin_glGetBufferParameteriv
#define glGenQueries trevalin_glGenQueries
#define glDeleteQueries trevalin_glDeleteQueries
#define glBeginQuery trevalin_glBeginQuery
#define glEndQuery trevalin_glEndQuery
#define glGetQueryObjectuiv trevalin_glGetQueryObjectuiv
#define glAttachShader trevalin_glAttachShader
#define glBindAttribLocation trevalin_glBindAttribLocation
#define glCompileShader trevalin_glCompileShader
#define glCreateProgram trevalin_glCreateProgram
#define glCreateShader trevalin_glCreateShader
#define glDisableVertexAttribArray trevalin_glDisableVertexAttribArray
#define glEnableVertexAttribArray trevalin_glEnableVertexAttribArray
#define glGetProgramInfoLog trevalin_glGetProgramInfoLog
#define glGetProgramiv trevalin_glGetProgramiv
#define glGetShaderInfoLog trevalin_glGetShaderInfoLog
#define glGetShaderiv trevalin_glGetShaderiv
#define glGetUniformLocation trevalin_glGetUniformLocation
#define glGetUniformfv trevalin_glGetUniformfv
#define glGetVertexAttribiv trevalin_glGetVertexAttribiv
#define glLinkProgram trevalin_glLinkProgram
#define glShaderSource trevalin_glShaderSource
#define glUniformMatrix4fv trevalin_glUniformMatrix4fv
#define glUseProgram trevalin_glUseProgram
#define glVertexAttribPointer trevalin_glVertexAttribPointer

namespace glfunctions {

// Fills every pointer from the current context's driver (through
// SDL_GL_GetProcAddress); call it once the window exists. Returns nullptr
// when all were found, otherwise the OpenGL name of the first one missing.
const char* Load();

// Whether a listed name is spelled through its #define: a call by OpenGL's
// name would otherwise reach the system library, which on Windows has no
// such function.
constexpr bool Renamed(const char* expanded, const char* prefixed) {
  while (*expanded && *expanded == *prefixed) ++expanded, ++prefixed;
  return *expanded == *prefixed;
}

}  // namespace glfunctions

#define TREVALIN_GL_STRING(x) #x
#define TREVALIN_GL_EXPANDED(x) TREVALIN_GL_STRING(x)
#define TREVALIN_GL_CHECK(type, name)                                                \
  static_assert(glfunctions::Renamed(TREVALIN_GL_EXPANDED(name), "trevalin_" #name), \
                #name " needs its #define in GLFunctions.h");
TREVALIN_GL_FUNCTIONS(TREVALIN_GL_CHECK)
#undef TREVALIN_GL_CHECK
