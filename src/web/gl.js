// Where Emscripten's OpenGL on WebGL parts from OpenGL in what the program
// relies on.
mergeInto(LibraryManager.library, {
  // Immediate mode keeps each vertex as the values given since the one
  // before: a colour set once before a face's four corners would reach the
  // first corner alone. Here every corner carries the current colour.
  $trevalinColour: null,
  glColor3f__deps: ['glColor4f', '$trevalinColour', '$GLImmediate'],
  glColor3f: function (r, g, b) {
    if (GLImmediate.mode >= 0) trevalinColour = [r, g, b, 1];
    else _glColor4f(r, g, b, 1);
  },
  glVertex3f__deps: ['glColor4f', '$trevalinColour', '$GLImmediate'],
  glVertex3f: function (x, y, z) {
    if (trevalinColour) _glColor4f.apply(null, trevalinColour);
    GLImmediate.vertexData.set([x, y, z, 1], GLImmediate.vertexCounter);
    GLImmediate.vertexCounter += 4;
    GLImmediate.addRendererComponent(GLImmediate.VERTEX, 4, GLctx.FLOAT);
  },
  // No program (0, none in use) is an error OpenGL records; WebGL throws.
  glBindAttribLocation__deps: ['$GL'],
  glBindAttribLocation: function (program, index, name) {
    if (!GL.programs[program]) return GL.recordError(0x501 /* GL_INVALID_VALUE */);
    GLctx.bindAttribLocation(GL.programs[program], index, UTF8ToString(name));
  },
  // WebGL 1 takes no transposed matrix: it is transposed here.
  glUniformMatrix4fv__deps: ['$webglGetUniformLocation'],
  glUniformMatrix4fv: function (location, count, transpose, value) {
    var given = HEAPF32.subarray(value >> 2, (value >> 2) + 16 * count);
    var m = !transpose ? given : given.map(function (v, i) {
      return given[(i & ~15) + (i & 3) * 4 + ((i >> 2) & 3)];
    });
    GLctx.uniformMatrix4fv(webglGetUniformLocation(location), false, m);
  },
  // Emscripten enables every extension WebGL offers as soon as a context is
  // made, each a wait for the browser's GPU process; the program needs one,
  // for 32-bit indices. (Brought in with SDL's window, whose context it is.)
  SDL_SetVideoMode__deps: ['$GL', '$trevalinExtensions'],
  $trevalinExtensions__deps: ['$GL'],
  $trevalinExtensions__postset: 'GL.initExtensions = function (context) {' +
    '  (context || GL.currentContext).GLctx.getExtension("OES_element_index_uint");' +
    '};',
  $trevalinExtensions: {},
  // A name made and not deleted is a buffer: WebGL's own answer waits for the
  // GPU process to finish all work sent before (links, uploads), and each name
  // here is bound as soon as it is made, so the answers agree.
  glIsBuffer__deps: ['$GL'],
  glIsBuffer: function (buffer) { return GL.buffers[buffer] ? 1 : 0; },
  // What SDL_GL_GetProcAddress hands out.
  emscripten_glIsBuffer: 'glIsBuffer',
  emscripten_glBindAttribLocation: 'glBindAttribLocation',
  emscripten_glUniformMatrix4fv: 'glUniformMatrix4fv',
  // The timer queries, which WebGL 1 has from an extension alone.
  emscripten_glGenQueries: 'glGenQueriesEXT',
  emscripten_glDeleteQueries: 'glDeleteQueriesEXT',
  emscripten_glBeginQuery: 'glBeginQueryEXT',
  emscripten_glEndQuery: 'glEndQueryEXT',
  emscripten_glGetQueryObjectuiv: 'glGetQueryObjectuivEXT',
});
