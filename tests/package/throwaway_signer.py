"""A throwaway certificate authority and a code-signing certificate that it
signed, made with openssl at test time, for scripts/package --sign."""
import os
import subprocess
from collections import namedtuple

# The authority's certificate, and the signer's PKCS#12 file and its password file.
Signer = namedtuple("Signer", "ca pfx password")


def make_signer(folder):
    """Writes the authority and the signer into the folder."""
    with open(os.path.join(folder, "password"), "w") as password:
        password.write("a throwaway password\n")
    with open(os.path.join(folder, "signer.cnf"), "w") as extensions:
        extensions.write("basicConstraints = critical, CA:FALSE\n"
                         "keyUsage = critical, digitalSignature\n"
                         "extendedKeyUsage = codeSigning\n")
    for command in (
            ["req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
             "-subj", "/CN=Tellwick Test CA", "-keyout", "ca.key", "-out", "ca.pem"],
            ["req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=Tellwick Test Signer",
             "-keyout", "signer.key", "-out", "signer.csr"],
            ["x509", "-req", "-in", "signer.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
             "-CAcreateserial", "-days", "2", "-extfile", "signer.cnf", "-out", "signer.pem"],
            ["pkcs12", "-export", "-inkey", "signer.key", "-in", "signer.pem",
             "-certfile", "ca.pem", "-passout", "file:password", "-out", "signer.pfx"]):
        subprocess.run(["openssl", *command], cwd=folder, check=True, capture_output=True)
    return Signer(*(os.path.join(folder, name) for name in ("ca.pem", "signer.pfx", "password")))
