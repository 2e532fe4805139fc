"""`cmake --install --component python` lays out a package that the
interpreter imports from the prefix's site-packages."""
import os
import subprocess
import sys
import sysconfig

import pytest


@pytest.mark.skipif("TWEENERY_BUILD_DIR" not in os.environ, reason="run by ctest, which names the build")
def test_the_installed_package_imports(tmp_path):
    subprocess.run([os.environ.get("TWEENERY_CMAKE", "cmake"), "--install", os.environ["TWEENERY_BUILD_DIR"],
                    "--prefix", str(tmp_path), "--component", "python"], check=True, capture_output=True)
    names = sysconfig.get_scheme_names()
    scheme = "deb_system" if "deb_system" in names else sysconfig.get_default_scheme()
    site = sysconfig.get_path("platlib", scheme, vars={"base": str(tmp_path), "platbase": str(tmp_path)})
    installed = sorted(p.name for p in (tmp_path / os.path.relpath(site, tmp_path) / "tweenery").iterdir())
    assert installed[:3] == ["__init__.py", "__init__.pyi", "_tweenery" + sysconfig.get_config_var("EXT_SUFFIX")]
    assert "py.typed" in installed
    check = ("import tweenery, numpy as np; a = np.zeros((1080, 1920, 3), np.uint8); b = np.full_like(a, 255); "
             "f = tweenery.frame(a, b, 'Push', progress=0.5); print(f.shape, f.dtype, tweenery.__file__)")
    environment = dict(os.environ, PYTHONPATH=site)
    out = subprocess.run([sys.executable, "-c", check], env=environment, cwd=tmp_path, capture_output=True, text=True,
                         check=True)
    assert out.stdout.startswith("(1080, 1920, 3) uint8 " + site)
