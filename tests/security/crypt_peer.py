#!/usr/bin/env python3
"""Independent peer for the password encryption tests.

Writes and reads the stored password form ("!A1"/"!A2" + Base64 of AES-CBC cipher text of the
password's UTF-8 bytes and a zero byte) with the `cryptography` package, key and IV derived
by PBKDF2 exactly as the C++ side documents it.

  crypt_peer.py check                  exit status 0 when the package is there
  crypt_peer.py KEYHEX SALT            requests on standard input, one per line:
      encrypt TAG PLAINHEX [nozero]    -> the stored form
      decrypt TAG STORED               -> the plain bytes (hex) before the zero
  One answer line per request, "ERROR <reason>" for a request that failed.
"""
import base64
import sys

from cryptography.hazmat.primitives import hashes, padding
from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes
from cryptography.hazmat.primitives.kdf.pbkdf2 import PBKDF2HMAC

# tag -> (digest, iterations, key length)
SCHEMES = {
    "!A1": (hashes.SHA1(), 2048, 16),
    "!A2": (hashes.SHA256(), 1000, 32),
}


def key_and_iv(tag, secret, salt):
    digest, iterations, key_length = SCHEMES[tag]
    kdf = PBKDF2HMAC(algorithm=digest, length=key_length + 16, salt=bytes([salt]),
                     iterations=iterations)
    material = kdf.derive(secret)
    return material[:key_length], material[key_length:]


def encrypt(tag, secret, salt, plain):
    key, iv = key_and_iv(tag, secret, salt)
    padder = padding.PKCS7(128).padder()
    padded = padder.update(plain) + padder.finalize()
    encryptor = Cipher(algorithms.AES(key), modes.CBC(iv)).encryptor()
    cipher = encryptor.update(padded) + encryptor.finalize()
    return tag + base64.b64encode(cipher).decode("ascii")


def decrypt(tag, secret, salt, stored):
    if not stored.startswith(tag):
        raise ValueError("wrong tag")
    key, iv = key_and_iv(tag, secret, salt)
    cipher = base64.b64decode(stored[len(tag):], validate=True)
    decryptor = Cipher(algorithms.AES(key), modes.CBC(iv)).decryptor()
    padded = decryptor.update(cipher) + decryptor.finalize()
    unpadder = padding.PKCS7(128).unpadder()
    plain = unpadder.update(padded) + unpadder.finalize()
    if not plain.endswith(b"\0"):
        raise ValueError("plain text lacks its terminating zero")
    return plain[:-1]


def answer(secret, salt, words):
    mode, tag, data = words[0], words[1], words[2]
    if mode == "encrypt":
        plain = bytes.fromhex(data)
        if len(words) < 4 or words[3] != "nozero":
            plain += b"\0"
        return encrypt(tag, secret, salt, plain)
    return decrypt(tag, secret, salt, data).hex()


def main(argv):
    if len(argv) == 2 and argv[1] == "check":
        return 0
    secret, salt = bytes.fromhex(argv[1]), int(argv[2])
    for line in sys.stdin:
        words = line.split()
        try:
            print(answer(secret, salt, words))
        except Exception as error:  # reported per request, the run goes on
            print("ERROR", type(error).__name__, error)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
