"""The program's test log (VRINX_TEST_LOG): one line per event, appended as it happens."""
import os


class TestLog:
    def __init__(self, name):
        self.path = os.path.join(os.environ.get("TMPDIR", "/tmp"), "vrinx-%s-%d.log" % (name, os.getpid()))
        self.env = {"VRINX_TEST_LOG": "Z:" + self.path.replace("/", "\\")}

    def lines(self):
        try:
            with open(self.path) as f:
                return f.read().split("\n")
        except FileNotFoundError:
            return []

    def last(self, prefix):
        """The last line starting with prefix, without it; None if there is none."""
        found = [line[len(prefix):] for line in self.lines() if line.startswith(prefix)]
        return found[-1] if found else None

    def menu(self):
        """(checked ids, grayed ids, volume) of the last menu refresh."""
        line = self.last("menu checked:")
        if line is None:
            return None
        checked, rest = line.split(" grayed:")
        grayed, volume = rest.split(" volume ")
        return {int(v) for v in checked.split()}, {int(v) for v in grayed.split()}, int(volume)

    def remove(self):
        if os.path.exists(self.path):
            os.remove(self.path)
