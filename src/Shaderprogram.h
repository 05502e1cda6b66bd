#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <string_view>

#include "GLFunctions.h"

// One GLSL program of a vertex and a fragment stage, each read from a file.
// Construction makes no GL call, so the object may be created before any
// context exists; the GL program and its shaders are never deleted and end
// with the context.
class Shaderprogram {
 public:
  struct Shader {
    std::uint32_t id = 0;
    std::string fileName;
    std::string source;
  };

  Shaderprogram(const std::string& vertexFile, const std::string& fragmentFile) {
    vertexShader.fileName = vertexFile;
    fragmentShader.fileName = fragmentFile;
  }
  virtual ~Shaderprogram() = default;

  // The GL names belong to this one object.
  Shaderprogram(const Shaderprogram&) = delete;
  Shaderprogram& operator=(const Shaderprogram&) = delete;

  bool initialize() {
    // Both files are read so that every missing one is reported; nothing is
    // made in GL for a pair that cannot be read.
    vertexShader.source = readFile(vertexShader.fileName);
    fragmentShader.source = readFile(fragmentShader.fileName);
    if (vertexShader.source.empty() || fragmentShader.source.empty()) return false;

    programId = glCreateProgram();
    // Locations belong to the program they were looked up in.
    uniformLocations.clear();
    vertexShader.id = glCreateShader(GL_VERTEX_SHADER);
    fragmentShader.id = glCreateShader(GL_FRAGMENT_SHADER);
    const GLchar* text = vertexShader.source.c_str();
    glShaderSource(vertexShader.id, 1, &text, nullptr);
    text = fragmentShader.source.c_str();
    glShaderSource(fragmentShader.id, 1, &text, nullptr);

    if (!compileShader(vertexShader) || !compileShader(fragmentShader)) {
      std::cerr << "Shaderprogram: Could not compile the shaders, they are invalid" << std::endl;
      return false;
    }

    glAttachShader(programId, vertexShader.id);
    glAttachShader(programId, fragmentShader.id);
    glLinkProgram(programId);

    // Two stages can each compile and still not fit together.
    GLint status = static_cast<GLint>(0xDEADBEEF);
    glGetProgramiv(programId, GL_LINK_STATUS, &status);
    if (status == 0) {
      std::cerr << "Shaderprogram: Could not link the shaders" << std::endl;
      std::cerr << infoLog(programId, glGetProgramiv, glGetProgramInfoLog) << std::endl;
      return false;
    }
    return true;
  }

  void bindAttrib(unsigned int index, const std::string& name) {
    if (programId == 0) return;
    glBindAttribLocation(programId, index, name.c_str());
  }

  void linkProgram() {
    if (programId == 0) return;
    glLinkProgram(programId);
  }

  void bindShader() {
    if (programId == 0) return;
    glUseProgram(programId);
  }

  // Locations are looked up in GL once per name and then served from the
  // cache; a hit builds no string, so per-frame calls allocate nothing.
  unsigned int getUniformLocation(const char* name) { return lookup(name, name); }
  unsigned int getUniformLocation(const std::string& name) { return lookup(name, name.c_str()); }

  void sendUniform(const char* name, const float* matrix, bool transpose) {
    if (programId == 0) return;
    glUniformMatrix4fv(static_cast<GLint>(getUniformLocation(name)), 1,
                       transpose ? GL_TRUE : GL_FALSE, matrix);
  }
  void sendUniform(const std::string& name, const float* matrix, bool transpose) {
    sendUniform(name.c_str(), matrix, transpose);
  }

  std::string readFile(const std::string& fileName) {
    std::ifstream in(fileName);
    if (!in.good()) {
      std::cerr << "Shaderprogram: Could not load shader: " << fileName << std::endl;
      return std::string();
    }
    // In blocks: a character at a time costs a call each, which in the browser
    // passes through JavaScript.
    std::string text;
    char block[4096];
    while (in.read(block, sizeof block) || in.gcount() > 0) text.append(block, in.gcount());
    return text;
  }

  bool compileShader(const Shader& shader) {
    glCompileShader(shader.id);
    // A driver that leaves the status untouched is taken at its word.
    GLint status = static_cast<GLint>(0xDEADBEEF);
    glGetShaderiv(shader.id, GL_COMPILE_STATUS, &status);
    if (status != 0) return true;
    std::cout << "Shaderprogram: Could not compile shader: " << shader.id << std::endl;
    outputShaderLog(shader.id);
    return false;
  }

  void outputShaderLog(unsigned int shaderId) {
    std::cerr << "Shaderprogram: Shader contains errors, please validate this shader!" << std::endl;
    std::cerr << infoLog(shaderId, glGetShaderiv, glGetShaderInfoLog) << std::endl;
  }

 private:
  unsigned int lookup(std::string_view key, const char* name) {
    const auto found = uniformLocations.find(key);
    if (found != uniformLocations.end()) return found->second;
    // Without a program there is nothing to ask, and nothing worth keeping.
    if (programId == 0) return 0xFFFFFFFFu;
    const auto location = static_cast<std::uint32_t>(glGetUniformLocation(programId, name));
    uniformLocations.emplace(std::string(key), location);
    return location;
  }

  // A shader's or a program's info log (their getters have the same types),
  // as one line: GL's logs end in a line break of their own, and the caller
  // ends the line.
  static std::string infoLog(GLuint id, PFNGLGETSHADERIVPROC getValue,
                             PFNGLGETSHADERINFOLOGPROC getLog) {
    GLint length = 0;
    getValue(id, GL_INFO_LOG_LENGTH, &length);
    std::string log(length > 0 ? static_cast<std::size_t>(length) : 1, '\0');
    GLsizei written = 0;
    getLog(id, static_cast<GLsizei>(log.size()), &written, log.data());
    log.resize(std::min(log.size(), static_cast<std::size_t>(std::max<GLsizei>(written, 0))));
    while (!log.empty() && (log.back() == '\n' || log.back() == '\0')) log.pop_back();
    return log;
  }

  Shader vertexShader;
  Shader fragmentShader;
  std::uint32_t programId = 0;
  std::map<std::string, std::uint32_t, std::less<>> uniformLocations;
};
