"""Throw-away certificate authorities and server certificates for HTTPS on loopback, made
with the openssl program: for scripts/serve-demo --tls and the HTTPS tests. Nothing here
is meant for a real deployment (see docs/catalog.md for where a real certificate goes).
"""
import os
import subprocess


def _openssl(*args, cwd):
    subprocess.run(["openssl"] + list(args), cwd=cwd, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.PIPE, timeout=60)


def make_authority(directory, name, stem="ca"):
    """A self-signed authority: (certificate path, key path)."""
    os.makedirs(directory, exist_ok=True)
    cert, key = stem + ".pem", stem + ".key"
    _openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
             "-days", "30", "-subj", "/CN=" + name,
             "-addext", "basicConstraints=critical,CA:TRUE",
             "-addext", "keyUsage=critical,keyCertSign,cRLSign", cwd=directory)
    return os.path.join(directory, cert), os.path.join(directory, key)


def make_server_certificate(directory, stem, authority, dns=(), ips=(), days=30):
    """A server certificate signed by `authority` (certificate, key), for the host names
    `dns` and the addresses `ips` (subject alternative names; the first name is also the
    common name). A negative `days` makes one that has already expired. Returns
    (certificate path, key path); the certificate file holds the server's certificate."""
    os.makedirs(directory, exist_ok=True)
    cert, key, request, extensions = stem + ".pem", stem + ".key", stem + ".csr", stem + ".ext"
    names = ["DNS:" + d for d in dns] + ["IP:" + i for i in ips]
    common = (list(dns) + list(ips))[0]
    with open(os.path.join(directory, extensions), "w") as f:
        f.write("subjectAltName=%s\nextendedKeyUsage=serverAuth\n"
                "basicConstraints=critical,CA:FALSE\n" % ",".join(names))
    _openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", request,
             "-subj", "/CN=" + common, cwd=directory)
    _openssl("x509", "-req", "-in", request, "-CA", authority[0], "-CAkey", authority[1],
             "-CAcreateserial", "-out", cert, "-days", str(days), "-extfile", extensions,
             cwd=directory)
    return os.path.join(directory, cert), os.path.join(directory, key)


def make_trust_directory(directory, authorities):
    """A directory laid out as Debian's /etc/ssl/certs holding only `authorities`: each
    certificate under its hash name (OpenSSL's lookup) and all of them in
    ca-certificates.crt (libcurl's bundle, and Wine's root store)."""
    os.makedirs(directory, exist_ok=True)
    bundle = []
    for cert in authorities:
        with open(cert) as f:
            text = f.read()
        bundle.append(text)
        subject_hash = subprocess.run(["openssl", "x509", "-noout", "-subject_hash", "-in", cert],
                                      check=True, stdout=subprocess.PIPE, timeout=60).stdout
        with open(os.path.join(directory, subject_hash.decode().strip() + ".0"), "w") as f:
            f.write(text)
    with open(os.path.join(directory, "ca-certificates.crt"), "w") as f:
        f.write("".join(bundle))
    return directory
