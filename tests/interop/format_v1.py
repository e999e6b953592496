"""Ciphertext format version 1, written from its byte layout alone.

    offset        length  content
    0             1       version, 0x01
    1             k       RSAES-OAEP (RFC 8017; SHA-256, MGF1 with SHA-256,
                          empty label) of a fresh random 32-byte AES key;
                          k is the modulus length in bytes
    1 + k         12      random nonce
    13 + k        n       AES-256-GCM encryption of the n-byte message
    13 + k + n    16      GCM tag

The GCM additional data is the first 1 + k bytes (version and wrapped key).
Keys are DER: PKCS#8 or PKCS#1 private keys, SubjectPublicKeyInfo or PKCS#1
public keys. Uses only Python's cryptography package, so it shares no code
with the component it checks.
"""

import functools
import os

from cryptography.exceptions import InvalidTag
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import padding, rsa
from cryptography.hazmat.primitives.ciphers.aead import AESGCM

VERSION = 0x01
AES_KEY_BYTES = 32
NONCE_BYTES = 12
TAG_BYTES = 16


class FormatError(Exception):
    """The ciphertext cannot be decrypted; the message says why."""


def _oaep():
    return padding.OAEP(
        mgf=padding.MGF1(algorithm=hashes.SHA256()),
        algorithm=hashes.SHA256(),
        label=None,
    )


def _modulus_bytes(key):
    return (key.key_size + 7) // 8


@functools.lru_cache(maxsize=None)
def load_public_key(der):
    key = serialization.load_der_public_key(der)
    if not isinstance(key, rsa.RSAPublicKey):
        raise ValueError("not an RSA public key")
    return key


@functools.lru_cache(maxsize=None)
def load_private_key(der):
    key = serialization.load_der_private_key(der, password=None)
    if not isinstance(key, rsa.RSAPrivateKey):
        raise ValueError("not an RSA private key")
    return key


def encrypt(public_der, message):
    key = load_public_key(public_der)
    aes_key = os.urandom(AES_KEY_BYTES)
    nonce = os.urandom(NONCE_BYTES)
    wrapped = key.encrypt(aes_key, _oaep())
    if len(wrapped) != _modulus_bytes(key):
        raise AssertionError("wrapped key is not k bytes long")
    header = bytes([VERSION]) + wrapped
    # AESGCM returns the encrypted message followed by the tag.
    return header + nonce + AESGCM(aes_key).encrypt(nonce, message, header)


def decrypt(private_der, ciphertext):
    key = load_private_key(private_der)
    k = _modulus_bytes(key)
    if not ciphertext:
        raise FormatError("empty")
    if ciphertext[0] != VERSION:
        raise FormatError("unknown version %d" % ciphertext[0])
    if len(ciphertext) < 1 + k + NONCE_BYTES + TAG_BYTES:
        raise FormatError("too short")
    header = ciphertext[: 1 + k]
    nonce = ciphertext[1 + k : 1 + k + NONCE_BYTES]
    sealed = ciphertext[1 + k + NONCE_BYTES :]
    try:
        aes_key = key.decrypt(header[1:], _oaep())
    except ValueError as error:
        raise FormatError("key unwrap failed") from error
    if len(aes_key) != AES_KEY_BYTES:
        raise FormatError("unwrapped key has %d bytes" % len(aes_key))
    try:
        return AESGCM(aes_key).decrypt(nonce, sealed, header)
    except InvalidTag as error:
        raise FormatError("tag check failed") from error
