"""The extension module for pip: CMake configures the tree for the running
interpreter and builds the module's target alone, whose library is then
placed in the package. Extra CMake arguments come from $CMAKE_ARGS."""
import os
import shlex
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent


class CMakeBuild(build_ext):
    def build_extension(self, ext: Extension) -> None:
        build = Path(self.build_temp).resolve() / "cmake"
        configure = [
            "cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
            f"-DPython3_EXECUTABLE={sys.executable}",
            "-DTWEENERY_BUILD_TESTS=OFF", "-DTWEENERY_BUILD_BENCH=OFF", "-DTWEENERY_BUILD_QT=OFF",
        ]
        if shutil.which("ninja"):
            configure += ["-G", "Ninja"]
        if shutil.which("ccache"):
            configure += ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache"]
        configure += shlex.split(os.environ.get("CMAKE_ARGS", ""))
        subprocess.run(configure, check=True)
        jobs = str(self.parallel or os.cpu_count() or 1)
        subprocess.run(["cmake", "--build", str(build), "--target", "tweenery_python", "--parallel", jobs], check=True)
        built = next((build / "python" / "tweenery").glob("_tweenery*.so"))
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(built, target)


setup(ext_modules=[Extension("tweenery._tweenery", sources=[])], cmdclass={"build_ext": CMakeBuild})
