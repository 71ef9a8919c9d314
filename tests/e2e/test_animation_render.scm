; Keysplines rendered to numbered frame files by procedure name: the files
; are numbered on from the name's digits, t runs from tstart to tend (a
; negative count renders a loop, which leaves the last t out), and the
; frames are written although no render had set the rendering marker.

(define (qv-frame-rgb file x y)
  (let* ((image (car (gimp-file-load RUN-NONINTERACTIVE file file)))
         (rgb (qv-rgb (car (gimp-image-get-active-drawable image)) x y)))
    (gimp-image-delete image)
    rgb))

; A red square whose keyspline turns it blue over t.
(define (qv-keyspline-image)
  (let ((image (qv-new-image 40 40)))
    (qv-add-square image "Square" 10 10 20)
    (plug-in-qv-path-set-style-attribute image "Square" "fill" "255 0 0")
    (qv-add-path image "[@] colour" '(0 39 39 0))
    (plug-in-qv-path-set-style-attribute image "[@] colour" "@-tattoos"
      (number->string (car (gimp-item-get-tattoo (car (gimp-image-get-vectors-by-name image "Square"))))))
    (plug-in-qv-path-set-style-attribute image "[@] colour" "fill" "255 0 0;0 0 255")
    (plug-in-qv-path-set-style-attribute image "[@] colour" "@-color-mode" "RGB")
    image))

(qv-test "a keyspline list renders the frames it announces"
         (lambda ()
           (let ((image (qv-keyspline-image))
                 (first (string-append qv-tmp-dir "/k_005.png")))
             (plug-in-qv-path-animation-render-list image 1 '("[@] colour") first 3 1 0.0 1.0)
             (for-each (lambda (n)
                         (qv-check (string-append "frame " n " written")
                                   (qv-file-exists? (string-append qv-tmp-dir "/k_" n ".png"))))
                       '("005" "006" "007"))
             (qv-check "no frame past the count" (not (qv-file-exists? (string-append qv-tmp-dir "/k_008.png"))))
             (qv-check-equal "t = 0: red" '(255 0 0) (qv-frame-rgb first 20 20))
             (qv-check-equal "t = 1: blue" '(0 0 255) (qv-frame-rgb (string-append qv-tmp-dir "/k_007.png") 20 20))
             (qv-check "the marker is gone again"
                       (not (qv-member-string "qv-rendering-in-progress" (cadr (gimp-get-parasite-list)))))
             ; A loop of 4 leaves t = 1 out: the last frame is not yet blue.
             (plug-in-qv-path-animation-render image "[@] colour" (string-append qv-tmp-dir "/loop_0.png") -4 1)
             (qv-check "four loop frames" (and (qv-file-exists? (string-append qv-tmp-dir "/loop_3.png"))
                                               (not (qv-file-exists? (string-append qv-tmp-dir "/loop_4.png")))))
             (qv-check "the loop's last frame is short of blue"
                       (not (equal? '(0 0 255) (qv-frame-rgb (string-append qv-tmp-dir "/loop_3.png") 20 20))))
             (qv-check "no frames: refused"
                       (not (catch #f (plug-in-qv-path-animation-render image "[@] colour" first 0 1) #t)))
             (gimp-image-delete image))))
