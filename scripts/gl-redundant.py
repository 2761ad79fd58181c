#!/usr/bin/env python3
"""Reads `apitrace dump` text on standard input and prints how many GL calls set a binding, a
uniform or a state to the value it already has, and the calls per frame.

  apitrace dump --color=never --multiline=false TRACE | scripts/gl-redundant.py NAME

Prints `redundant GL calls NAME: P %` and `GL calls per frame NAME: median M, most X`, then the
kinds of redundant call that occur most. Calls apitrace made up itself (`// fake`) set the
state but are not counted. A frame ends at each buffer swap.
"""
import os
import re
import statistics
import sys
from collections import Counter

# GL_REDUNDANT_FRAME=N prints the redundant calls of frame N.
SHOW_FRAME = int(os.environ.get("GL_REDUNDANT_FRAME", "-1"))
CALL = re.compile(r"^(\d+) (\w+)\((.*)\)( = [^/]*)?( // fake)?\s*$")


def split_args(text):
    """The top-level `name = value` pairs of a call, as a list of values in order."""
    values, depth, start = [], 0, 0
    for i, c in enumerate(text):
        if c in "{[(":
            depth += 1
        elif c in "}])":
            depth -= 1
        elif c == "," and depth == 0:
            values.append(text[start:i])
            start = i + 1
    if text.strip():
        values.append(text[start:])
    out = []
    for v in values:
        name, _, value = v.strip().partition(" = ")
        out.append(value if _ else name)
    return out


class State:
    def __init__(self):
        self.held = {}
        self.program = "0"
        self.vertex_array = "0"
        self.unit = "GL_TEXTURE0"
        # The defaults of a new context.
        for cap in ("GL_DEPTH_TEST", "GL_BLEND", "GL_CULL_FACE", "GL_SCISSOR_TEST",
                    "GL_STENCIL_TEST", "GL_CLIP_DISTANCE0", "GL_POLYGON_OFFSET_FILL"):
            self.held[("cap", cap)] = "off"
        self.held[("glDepthFunc",)] = ("GL_LESS",)
        self.held[("glDepthMask",)] = ("GL_TRUE",)
        self.held[("glFrontFace",)] = ("GL_CCW",)
        self.held[("glCullFace",)] = ("GL_BACK",)
        self.held[("glPolygonMode",)] = ("GL_FRONT_AND_BACK", "GL_FILL")
        self.held[("program",)] = "0"
        self.held[("vertexArray",)] = "0"
        self.held[("activeTexture",)] = "GL_TEXTURE0"

    def set(self, key, value):
        """True when the value was already held."""
        same = self.held.get(key) == value
        self.held[key] = value
        return same

    def forget_names(self, kinds, names):
        for key in [k for k, v in self.held.items() if k[0] in kinds and v in names]:
            self.held[key] = "0"


# Calls whose whole argument list is one piece of state.
WHOLE = {
    "glDepthFunc", "glDepthMask", "glBlendFunc", "glBlendFuncSeparate", "glBlendEquation",
    "glBlendEquationSeparate", "glFrontFace", "glCullFace", "glViewport", "glScissor",
    "glClearColor", "glClearDepth", "glClearStencil", "glColorMask", "glLineWidth",
    "glPolygonOffset", "glStencilFunc", "glStencilOp", "glStencilMask", "glBlendColor",
    "glPointSize",
}


def redundant(state, name, args):
    """Whether the call sets something to the value it already has."""
    if name in WHOLE:
        return state.set((name,), tuple(args))
    if name == "glPolygonMode":
        return state.set((name,), tuple(args))
    if name in ("glEnable", "glDisable"):
        return state.set(("cap", args[0]), "on" if name == "glEnable" else "off")
    if name == "glUseProgram":
        state.program = args[0]
        return state.set(("program",), args[0])
    if name == "glBindVertexArray":
        state.vertex_array = args[0]
        return state.set(("vertexArray",), args[0])
    if name == "glActiveTexture":
        state.unit = args[0]
        return state.set(("activeTexture",), args[0])
    if name == "glBindTexture":
        return state.set(("texture", state.unit, args[0]), args[1])
    if name == "glBindBuffer":
        # The element buffer belongs to the vertex array.
        where = state.vertex_array if args[0] == "GL_ELEMENT_ARRAY_BUFFER" else ""
        return state.set(("buffer", args[0], where), args[1])
    if name == "glBindFramebuffer":
        targets = {"GL_FRAMEBUFFER": ("draw", "read"), "GL_DRAW_FRAMEBUFFER": ("draw",),
                   "GL_READ_FRAMEBUFFER": ("read",)}.get(args[0], (args[0],))
        same = all(state.held.get(("framebuffer", t)) == args[1] for t in targets)
        for t in targets:
            state.held[("framebuffer", t)] = args[1]
        return same
    if name == "glBindRenderbuffer":
        return state.set(("renderbuffer",), args[1])
    if name in ("glEnableVertexAttribArray", "glDisableVertexAttribArray"):
        return state.set(("attribArray", state.vertex_array, args[0]),
                         name == "glEnableVertexAttribArray")
    if name == "glPixelStorei":
        return state.set((name, args[0]), args[1])
    if name.startswith("glUniform"):
        # To location -1 a uniform call sets nothing at all.
        if args[0] == "-1":
            return True
        return state.set(("uniform", state.program, args[0]), tuple(args[1:]))
    return False


def forget(state, name, args):
    """What deleting or relinking does to the state held."""
    if name == "glLinkProgram":
        for key in [k for k in state.held if k[0] == "uniform" and k[1] == args[0]]:
            del state.held[key]
    elif name in ("glDeleteTextures", "glDeleteBuffers", "glDeleteFramebuffers",
                  "glDeleteVertexArrays", "glDeleteRenderbuffers"):
        names = set(re.findall(r"\d+", args[1])) if len(args) > 1 else set()
        kinds = {"glDeleteTextures": {"texture"}, "glDeleteBuffers": {"buffer"},
                 "glDeleteFramebuffers": {"framebuffer"},
                 "glDeleteVertexArrays": {"vertexArray"},
                 "glDeleteRenderbuffers": {"renderbuffer"}}[name]
        state.forget_names(kinds, names)
        if name == "glDeleteVertexArrays" and state.vertex_array in names:
            state.vertex_array = "0"
    elif name == "glDeleteProgram" and state.program == args[0]:
        pass  # stays in use until another program is chosen


def main():
    label = sys.argv[1] if len(sys.argv) > 1 else "trace"
    state = State()
    total = wasted = 0
    kinds = Counter()
    frames, in_frame = [], 0
    for line in sys.stdin:
        match = CALL.match(line)
        if match is None:
            continue
        name, args, fake = match.group(2), split_args(match.group(3)), match.group(5)
        if not name.startswith("gl") or name.startswith("glX") and "SwapBuffers" not in name:
            continue
        if "SwapBuffers" in name:
            frames.append(in_frame)
            in_frame = 0
            continue
        same = redundant(state, name, args)
        forget(state, name, args)
        if fake:
            continue
        total += 1
        in_frame += 1
        if same:
            wasted += 1
            if len(frames) == SHOW_FRAME:
                print("redundant:", line.rstrip()[:120])
            what = name
            if name.startswith("glUniform") and args[0] == "-1":
                what += " (location -1)"
            elif name in ("glEnable", "glDisable", "glBindTexture", "glBindBuffer",
                          "glBindFramebuffer"):
                what += "(" + args[0] + ")"
            kinds[what] += 1
    percent = 100.0 * wasted / total if total else 0.0
    print(f"redundant GL calls {label}: {percent:.1f} % ({wasted} of {total})")
    if frames:
        print(f"GL calls per frame {label}: median {statistics.median(frames):.0f}, "
              f"most {max(frames)} ({len(frames)} frames)")
    for what, count in kinds.most_common(int(sys.argv[2]) if len(sys.argv) > 2 else 0):
        print(f"  {count:7d} {what}")


if __name__ == "__main__":
    main()
