#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <vector>

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
    programId = glCreateProgram();
    vertexShader.id = glCreateShader(GL_VERTEX_SHADER);
    fragmentShader.id = glCreateShader(GL_FRAGMENT_SHADER);

    // Both files are read so that every missing one is reported.
    vertexShader.source = readFile(vertexShader.fileName);
    fragmentShader.source = readFile(fragmentShader.fileName);
    if (vertexShader.source.empty() || fragmentShader.source.empty()) return false;

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
      GLint length = 0;
      glGetProgramiv(programId, GL_INFO_LOG_LENGTH, &length);
      std::vector<GLchar> log(length > 0 ? static_cast<std::size_t>(length) : 1, '\0');
      GLsizei written = 0;
      glGetProgramInfoLog(programId, static_cast<GLsizei>(log.size()), &written, log.data());
      std::cerr << logLine(log, written) << std::endl;
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
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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
    GLint length = 0;
    glGetShaderiv(shaderId, GL_INFO_LOG_LENGTH, &length);
    std::vector<GLchar> log(length > 0 ? static_cast<std::size_t>(length) : 1, '\0');
    std::cerr << "Shaderprogram: Shader contains errors, please validate this shader!" << std::endl;
    GLsizei written = 0;
    glGetShaderInfoLog(shaderId, static_cast<GLsizei>(log.size()), &written, log.data());
    std::cerr << logLine(log, written) << std::endl;
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

  // GL's logs end in a line break of their own; the caller ends the line.
  static std::string_view logLine(const std::vector<GLchar>& log, GLsizei written) {
    std::size_t size = written > 0 ? static_cast<std::size_t>(written) : 0;
    if (size > log.size()) size = log.size();
    std::string_view text(log.data(), size);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\0')) text.remove_suffix(1);
    return text;
  }

  Shader vertexShader;
  Shader fragmentShader;
  std::uint32_t programId = 0;
  std::map<std::string, std::uint32_t, std::less<>> uniformLocations;
};
