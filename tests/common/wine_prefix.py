"""The Wine prefix the tests run Windows programs in.

One prefix per build folder, created on first use (about 20 s) and reused;
a lock keeps tests running in parallel from creating it twice.
"""
import fcntl
import os
import shutil
import subprocess


def wine_environment(prefix):
    env = dict(os.environ)
    env.update(WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
               LANG="en_US.UTF-8", LC_ALL="en_US.UTF-8")
    env.pop("DISPLAY", None)
    return env


def ensure_prefix(wine, prefix):
    """Creates the Wine prefix once; a lock keeps parallel tests from racing."""
    os.makedirs(os.path.dirname(prefix), exist_ok=True)
    with open(prefix + ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        marker = os.path.join(prefix, ".sheetwright-ready")
        if os.path.exists(marker):
            return
        shutil.rmtree(prefix, ignore_errors=True)
        env = wine_environment(prefix)
        subprocess.run([wine, "wineboot", "--init"], env=env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
        wait_for_wineserver(wine, env)
        open(marker, "w").close()


def wait_for_wineserver(wine, env):
    server = os.path.join(os.path.dirname(wine), "wineserver")
    if os.path.exists(server):
        subprocess.run([server, "-w"], env=env, timeout=120)


def stop_wineserver(wine, env):
    """Ends every process of this prefix (a COM surrogate outlives its clients)."""
    server = os.path.join(os.path.dirname(wine), "wineserver")
    if os.path.exists(server):
        subprocess.run([server, "-k"], env=env, timeout=120,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run([server, "-w"], env=env, timeout=120)
