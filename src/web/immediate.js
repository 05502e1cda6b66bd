// Emscripten's immediate mode keeps each vertex as the values given since
// the one before: a colour set once before a face's four corners would reach
// the first corner alone. Here every corner carries the current colour, as
// in OpenGL.
mergeInto(LibraryManager.library, {
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
});
