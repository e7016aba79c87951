"""Services that the engine tests start on this machine and stop again: a one-node Slurm
cluster (munged, slurmctld, slurmd) and an sshd on the loopback address. Everything they
use (keys, sockets, configuration, state, logs) is in one scratch folder, on ports chosen
free, so nothing of the machine's own configuration is read or changed. A service that
does not come up raises ServiceError with the reason and the tail of its log."""
import getpass
import os
import shutil
import socket
import subprocess
import time


class ServiceError(Exception):
    pass


def find(command):
    """A program on PATH or in the system folders (daemons are in /usr/sbin)."""
    return shutil.which(command, path=os.environ.get("PATH", "") + ":/usr/sbin:/sbin")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def tail(path, lines=15):
    try:
        with open(path, errors="replace") as f:
            return "".join(f.readlines()[-lines:])
    except OSError:
        return "(no log)"


class Daemons:
    """Foreground daemons started as children of the test, stopped in reverse order."""

    def __init__(self, folder):
        self.folder = folder
        self.procs = []

    def start(self, name, command, env=None):
        if find(command[0]) is None:
            raise ServiceError(f"{command[0]} is not installed")
        command = [find(command[0])] + command[1:]
        log = open(os.path.join(self.folder, f"{name}.out"), "wb")
        proc = subprocess.Popen(command, stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, env=env)
        log.close()
        self.procs.append((name, proc))
        return proc

    def wait_for(self, what, ready, seconds, logs):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if ready():
                return
            for name, proc in self.procs:
                if proc.poll() is not None:
                    raise ServiceError(f"{name} exited with status {proc.returncode} while waiting for {what}:\n"
                                       + tail(os.path.join(self.folder, f"{name}.out")))
            time.sleep(0.2)
        raise ServiceError(f"{what} not ready after {seconds} s:\n"
                           + "\n".join(f"--- {log}\n{tail(os.path.join(self.folder, log))}" for log in logs))

    def stop(self):
        for _, proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
        for _, proc in reversed(self.procs):
            try:
                proc.wait(10)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
        self.procs = []


class Service:
    """Daemons started together in one folder; a failed start stops what had started."""

    def __init__(self, folder):
        self.d = folder
        self.daemons = Daemons(folder)

    def start(self):
        try:
            self._start()
        except BaseException:
            self.stop()
            raise

    def stop(self):
        self.daemons.stop()


SLURM_CONF = """\
ClusterName=zsweeptest
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort={ctld_port}
SlurmdPort={slurmd_port}
SlurmUser={user}
SlurmdUser={user}
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket={d}/munge.socket
StateSaveLocation={d}/state
SlurmdSpoolDir={d}/spool
SlurmctldPidFile={d}/slurmctld.pid
SlurmdPidFile={d}/slurmd.pid
SlurmctldLogFile={d}/slurmctld.log
SlurmdLogFile={d}/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
MpiDefault=none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SchedulerType=sched/backfill
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
NodeName={node} NodeHostname=localhost NodeAddr=127.0.0.1 CPUs={cpus} State=UNKNOWN
PartitionName=sweeps Nodes=ALL Default=YES MaxTime=INFINITE State=UP
"""


class OneNodeSlurm(Service):
    """munged with its own key and socket, slurmctld and slurmd for one node of this
    machine's cores; `env` holds SLURM_CONF for sbatch, squeue and sinfo."""

    NODE = "zsweep1"

    def __init__(self, folder):
        super().__init__(folder)
        self.env = dict(os.environ, SLURM_CONF=os.path.join(folder, "slurm.conf"))

    def _start(self):
        for tool in ("munged", "slurmctld", "slurmd", "sbatch", "sinfo"):
            if not find(tool):
                raise ServiceError(f"{tool} is not installed (Debian: apt-get install slurm-wlm munge)")
        d = self.d
        for sub in ("state", "spool"):
            os.makedirs(os.path.join(d, sub))
        with open(os.path.join(d, "munge.key"), "wb") as f:
            f.write(os.urandom(1024))
        os.chmod(os.path.join(d, "munge.key"), 0o600)
        with open(os.path.join(d, "slurm.conf"), "w") as f:
            f.write(SLURM_CONF.format(d=d, user=getpass.getuser(), node=self.NODE, cpus=os.cpu_count() or 1,
                                      ctld_port=free_port(), slurmd_port=free_port()))
        self.daemons.start("munged", ["munged", "--foreground", "--force", f"--socket={d}/munge.socket",
                                      f"--key-file={d}/munge.key", f"--pid-file={d}/munged.pid",
                                      f"--log-file={d}/munged.log", f"--seed-file={d}/munged.seed"])
        self.daemons.wait_for("the munge socket", lambda: os.path.exists(f"{d}/munge.socket"), 20, ["munged.out"])
        conf = self.env["SLURM_CONF"]
        self.daemons.start("slurmctld", ["slurmctld", "-D", "-f", conf], self.env)
        self.daemons.start("slurmd", ["slurmd", "-D", "-f", conf, "-N", self.NODE], self.env)
        self.daemons.wait_for("the Slurm node to be idle", self._idle, 60,
                              ["slurmctld.out", "slurmctld.log", "slurmd.out", "slurmd.log", "munged.log"])

    def _idle(self):
        run = subprocess.run([find("sinfo"), "-h", "-N", "-o", "%T"], capture_output=True, text=True, env=self.env)
        return run.returncode == 0 and run.stdout.strip() == "idle"


SSHD_CONFIG = """\
Port {port}
ListenAddress 127.0.0.1
HostKey {d}/host_key
AuthorizedKeysFile {d}/authorized_keys
PidFile {d}/sshd.pid
PermitRootLogin prohibit-password
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
UseDNS no
StrictModes no
"""


class LoopbackSshd(Service):
    """sshd on 127.0.0.1 with a throwaway host key, accepting one throwaway user key;
    `login` is GNU parallel's sshlogin for it (with the number of cores to use)."""

    def __init__(self, folder, cores=2):
        super().__init__(folder)
        self.cores = cores

    def _start(self):
        sshd = find("sshd")
        if not sshd or not shutil.which("ssh-keygen"):
            raise ServiceError("sshd is not installed (Debian: apt-get install openssh-server)")
        d = self.d
        for key in ("host_key", "user_key"):
            subprocess.run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", f"{d}/{key}"], check=True)
        shutil.copyfile(f"{d}/user_key.pub", f"{d}/authorized_keys")
        os.makedirs("/run/sshd", exist_ok=True)  # sshd's privilege separation folder
        self.port = free_port()
        with open(f"{d}/sshd_config", "w") as f:
            f.write(SSHD_CONFIG.format(d=d, port=self.port))
        self.daemons.start("sshd", [sshd, "-D", "-e", "-f", f"{d}/sshd_config"])
        self.ssh = ["ssh", "-p", str(self.port), "-i", f"{d}/user_key", "-o", "BatchMode=yes",
                    "-o", "StrictHostKeyChecking=accept-new", "-o", f"UserKnownHostsFile={d}/known_hosts",
                    f"{getpass.getuser()}@127.0.0.1"]
        self.login = f"{self.cores}/" + " ".join(self.ssh)
        self.daemons.wait_for("an ssh login to 127.0.0.1", self._answers, 60, ["sshd.out"])

    def _answers(self):
        return subprocess.run(self.ssh + ["true"], capture_output=True, stdin=subprocess.DEVNULL).returncode == 0
