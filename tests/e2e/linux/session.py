"""The native program on a private display (lib.display) with a temporary
HOME of its own: settings, the instance lock's runtime folder and, when
asked, an .asoundrc that sends ALSA's output to a file the tests read."""

import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from lib.display import Display  # noqa: E402
from lib.frames import Frames  # noqa: E402
from lib.process import Program, wait_for  # noqa: E402,F401
from xclient import XClient  # noqa: E402

MEDIA_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                         "resources", "media")
ASOUNDRC = 'pcm.!default { type file; slave.pcm "null"; file "%s"; format "raw" }\n'
CLIP_BYTES = 32000  # the chime's sound data


class NativeSession:
    def __init__(self, width=1920, height=1080, sound_file=True):
        self.width, self.height = width, height
        self.program = os.environ.get("VSS_NATIVE")
        if not self.program:
            raise RuntimeError("VSS_NATIVE is not set; run the end-to-end tests through ctest")
        self.artifact_dir = os.environ.get("VSS_ARTIFACT_DIR") or tempfile.gettempdir()
        self.sound_file = sound_file
        self.programs = []
        self.display = self.client = self.work = None

    def start(self):
        self.work = tempfile.mkdtemp(prefix="vss-native-")
        home = os.path.join(self.work, "home")
        runtime_dir = os.path.join(self.work, "run")
        os.makedirs(home)
        os.makedirs(runtime_dir, mode=0o700)
        self.sound_path = os.path.join(self.work, "out.raw")
        if self.sound_file:
            with open(os.path.join(home, ".asoundrc"), "w") as f:
                f.write(ASOUNDRC % self.sound_path)
        self.display = Display(self.width, self.height, logdir=self.work)
        self.env = dict(self.display.env, HOME=home, XDG_RUNTIME_DIR=runtime_dir,
                        XDG_CONFIG_HOME=os.path.join(home, ".config"))
        self.client = XClient(self.display.name)
        return self

    def close(self):
        self.end_programs()
        if self.client:
            self.client.close()
        if self.display:
            self.display.close()
        if self.work:
            shutil.rmtree(self.work, ignore_errors=True)

    def run(self, *args):
        program = Program([self.program] + list(args), env=self.env, logdir=self.work)
        self.programs.append(program)
        return program

    def end_programs(self):
        for p in self.programs:
            p.kill()
        self.programs = []

    def sound_bytes(self):
        try:
            return os.path.getsize(self.sound_path)
        except FileNotFoundError:
            return 0

    def artifact(self, name):
        os.makedirs(self.artifact_dir, exist_ok=True)
        return os.path.join(self.artifact_dir, name)
